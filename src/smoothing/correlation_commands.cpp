// Menu items of correlation and regression, the autocorrelation function.
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> CorrelationCommands() { return {}; }

}  // namespace teril

// Menu items of the period search.
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> PeriodogramCommands() { return {}; }

}  // namespace teril

// Menu items of the intervals file, the choice of methods and the batch run over intervals.
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> BatchCommands() { return {}; }

}  // namespace teril

// Menu items of the running parabola, its table and the scalegrams.
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> RunningParabolaCommands() { return {}; }

}  // namespace teril

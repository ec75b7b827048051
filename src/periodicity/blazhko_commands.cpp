// Menu items of the two-frequency fit of the Blazhko effect.
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> BlazhkoCommands() { return {}; }

}  // namespace teril

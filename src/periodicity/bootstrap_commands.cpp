// Menu items of the bootstrap samples.
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> BootstrapCommands() { return {}; }

}  // namespace teril

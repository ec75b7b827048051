// Menu items of the bin and point means, the histogram and the sigma statistics.
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> MeanCommands() { return {}; }

}  // namespace teril

// Menu items of the three-point parabola and the method of Kwee and van Woerden.
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> ClassicalExtremaCommands() { return {}; }

}  // namespace teril

// Menu items of the trigonometric polynomial, the ephemeris dialog and O-C.
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> FourierCommands() { return {}; }

}  // namespace teril

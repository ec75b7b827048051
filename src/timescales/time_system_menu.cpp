// Menu item of the time-system conversion of t.
#include <vector>

#include "engine/named_command.h"
#include "timescales/time_system_command.h"

namespace teril {

std::vector<NamedCommand> TimeSystemCommands() {
  // The conversion replaces t: only while the engine waits for a key.
  return {NamedCommand{.name = "TimeSystem1",
                       .menu = "Transform",
                       .caption = "Time system...",
                       .handler = WhenWaiting(RunTimeSystemCommand),
                       .toolTip = "Convert the times between JD, HJD and BJD (UTC, TT, TDB)"}};
}

}  // namespace teril

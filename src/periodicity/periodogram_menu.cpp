// Menu item of the period search.
#include <vector>

#include "engine/named_command.h"
#include "periodicity/periodogram_command.h"

namespace teril {

std::vector<NamedCommand> PeriodogramCommands() {
  // The command replaces the data set: only while the engine waits for a
  // key, never inside another command's question.
  return {NamedCommand{.name = "Periodogram1",
                       .menu = "Periodogram",
                       .caption = "Periodogram...",
                       .handler = WhenWaiting(RunPeriodogramCommand)}};
}

}  // namespace teril

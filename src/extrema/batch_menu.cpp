// Menu items of the intervals file and the batch run over its intervals.
#include <vector>

#include "engine/named_command.h"
#include "extrema/batch.h"
#include "extrema/intervals.h"

namespace teril {

std::vector<NamedCommand> BatchCommands() {
  return {
      NamedCommand{.name = "Fileforintervals1",
                   .menu = "File",
                   .caption = "File for intervals",
                   .shortcut = "Ctrl+I",
                   .handler = ChooseIntervalsFile},
      NamedCommand{.name = "PrevInterval1",
                   .menu = "Navigate",
                   .caption = "Prev. Interval",
                   .shortcut = "Ctrl+B",
                   .handler = PrevInterval},
      NamedCommand{.name = "NextInterval1",
                   .menu = "Navigate",
                   .caption = "Next Interval",
                   .shortcut = "Ctrl+N",
                   .handler = NextInterval},
      NamedCommand{.name = "Gotointervalnumber1",
                   .menu = "Navigate",
                   .caption = "Go to interval number...",
                   .handler = GoToIntervalNumber},
      NamedCommand{.name = "chooseapproximation1",
                   .menu = "Approximation",
                   .caption = "choose approximation",
                   .shortcut = "Ctrl+Alt+C",
                   .handler = ChooseApproximation},
      NamedCommand{.name = "runapproximation1",
                   .menu = "Approximation",
                   .caption = "run approximation",
                   .shortcut = "Ctrl+Alt+Z",
                   .handler = RunApproximation},
      NamedCommand{.name = "doforallnextintervals1",
                   .menu = "Approximation",
                   .caption = "do for all next intervals",
                   .shortcut = "Ctrl+V",
                   .handler = DoForAllNextIntervals},
      // Ctrl+E stays with Center (met first); the item is reached with the
      // mouse, also while the batch runs.
      NamedCommand{.name = "abortdoforall1",
                   .menu = "Approximation",
                   .caption = "abort do for all",
                   .shortcut = "Ctrl+E",
                   .handler = AbortDoForAll,
                   .whileBusy = true},
  };
}

}  // namespace teril

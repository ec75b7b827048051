// Menu items of the intervals file, the choice of methods and the batch run over intervals.
#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/batch.h"
#include "extrema/intervals.h"

namespace teril {

std::vector<NamedCommand> BatchCommands() {
  std::vector<NamedCommand> list;
  // File: after "Save visible", before Exit.
  list.push_back(MenuEntry("Fileforintervals1", "File", "File for intervals", "Ctrl+I",
                           ChooseIntervalsFile, "Savevis1"));
  // Navigate: after "Mark Right".
  list.push_back(MenuEntry("PrevInterval1", "Navigate", "Prev. Interval", "Ctrl+B", PrevInterval,
                           "MarkRight2"));
  list.push_back(MenuEntry("NextInterval1", "Navigate", "Next Interval", "Ctrl+N", NextInterval,
                           "PrevInterval1"));
  list.push_back(MenuEntry("Gotointervalnumber1", "Navigate", "Go to interval number...", "",
                           GoToIntervalNumber, "NextInterval1"));
  // Approximation: after the methods.
  list.push_back(MenuEntry("chooseapproximation1", "Approximation", "choose approximation",
                           "Ctrl+Alt+C", ChooseApproximation, ""));
  list.push_back(MenuEntry("runapproximation1", "Approximation", "run approximation", "Ctrl+Alt+Z",
                           RunApproximation, "chooseapproximation1"));
  list.push_back(MenuEntry("doforallnextintervals1", "Approximation", "do for all next intervals",
                           "Ctrl+V", DoForAllNextIntervals, "runapproximation1"));
  // Ctrl+E stays with Center (met first); the item is reached with the
  // mouse, also while the batch runs.
  NamedCommand abort = MenuEntry("abortdoforall1", "Approximation", "abort do for all", "Ctrl+E",
                                 AbortDoForAll, "doforallnextintervals1");
  abort.whileBusy = true;
  list.push_back(std::move(abort));
  return list;
}

}  // namespace teril

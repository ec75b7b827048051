// Menu items of the running parabola, its table and the scalegrams.
#include "engine/engine.h"
#include "engine/named_command.h"
#include "smoothing/running_parabola.h"
#include "smoothing/scalegram.h"
#include "smoothing/scalegram_mean.h"

namespace teril {
std::vector<NamedCommand> RunningParabolaCommands() {
  std::vector<NamedCommand> list;
  // The action changes dt before it hands over its key, so it runs only
  // while the engine waits for a key.
  NamedCommand parabola = MenuEntry("parabola", "RuPar", "Running parabola", "Shift+F6",
                                    WhenWaiting(RunningParabolaAction));
  parabola.action = true;
  parabola.itemName = "Runningparabola1";
  parabola.visible = false;
  list.push_back(std::move(parabola));
  list.push_back(MenuEntry("RP_Table", "RuPar", "Running parabola table", "", RunningParabolaTable,
                           "parabola"));
  list.push_back(MenuEntry("RunningParabolaScalegram1", "RuPar", "Running Parabola Scalegram", "",
                           RunningParabolaScalegram, "RP_Table"));
  list.push_back(MenuEntry("ScalegramPeriodogram1", "RuPar", "Scalegram->Periodogram", "",
                           SendKey(std::string(1, '\x07')), "RunningParabolaScalegram1"));
  for (std::size_t i = 1; i < list.size(); ++i) list[i].visible = false;
  list.push_back(
      MenuEntry("ScalegramMean1", "Mean", "Scalegram Mean", "", ScalegramMean, "Histogram"));
  return list;
}

}  // namespace teril

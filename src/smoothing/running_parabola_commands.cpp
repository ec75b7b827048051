// Menu items of the running parabola, its table and the scalegrams.
#include "engine/engine.h"
#include "engine/named_command.h"
#include "smoothing/running_parabola.h"
#include "smoothing/scalegram.h"
#include "smoothing/scalegram_mean.h"

namespace teril {
namespace {

NamedCommand Item(const char* name, const char* menu, const char* caption,
                  std::function<void(Engine&)> handler, const char* after = "") {
  NamedCommand c;
  c.name = name;
  c.menu = menu;
  c.caption = caption;
  c.handler = std::move(handler);
  c.after = after;
  return c;
}

}  // namespace

std::vector<NamedCommand> RunningParabolaCommands() {
  std::vector<NamedCommand> list;
  // The action changes dt before it hands over its key, so it runs only
  // while the engine waits for a key.
  NamedCommand parabola = Item("parabola", "RuPar", "Running parabola", [](Engine& e) {
    if (e.console.waitingForInput == 1 && e.console.inputMode == kModeKey)
      RunningParabolaAction(e);
    else
      e.LogLine("!!! IO is not waiting for input");
  });
  parabola.shortcut = "Shift+F6";
  parabola.action = true;
  parabola.itemName = "Runningparabola1";
  parabola.visible = false;
  list.push_back(std::move(parabola));
  list.push_back(
      Item("RP_Table", "RuPar", "Running parabola table", RunningParabolaTable, "parabola"));
  list.push_back(Item("RunningParabolaScalegram1", "RuPar", "Running Parabola Scalegram",
                      RunningParabolaScalegram, "RP_Table"));
  list.push_back(Item(
      "ScalegramPeriodogram1", "RuPar", "Scalegram->Periodogram",
      [](Engine& e) { e.console.InjectKey(std::string(1, '\x07')); }, "RunningParabolaScalegram1"));
  for (std::size_t i = 1; i < list.size(); ++i) list[i].visible = false;
  list.push_back(Item("ScalegramMean1", "Mean", "Scalegram Mean", ScalegramMean, "Histogram"));
  return list;
}

}  // namespace teril

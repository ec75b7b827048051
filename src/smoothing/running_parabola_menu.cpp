// The hidden RuPar menu (the running parabola, its table and the
// scalegrams) and the scalegram mean of the Mean menu.
#include "engine/engine.h"
#include "engine/named_command.h"
#include "smoothing/running_parabola.h"
#include "smoothing/scalegram.h"
#include "smoothing/scalegram_mean.h"

namespace teril {

std::vector<NamedCommand> RunningParabolaCommands() {
  return {
      // The action changes dt before it hands over its key, so it runs only
      // while the engine waits for a key.
      {.name = "parabola",
       .menu = "RuPar",
       .caption = "Running parabola",
       .shortcut = "Shift+F6",
       .handler = WhenWaiting(RunningParabolaAction),
       .action = true,
       .itemName = "Runningparabola1",
       .visible = false},
      {.name = "RP_Table",
       .menu = "RuPar",
       .caption = "Running parabola table",
       .handler = RunningParabolaTable,
       .visible = false},
      {.name = "RunningParabolaScalegram1",
       .menu = "RuPar",
       .caption = "Running Parabola Scalegram",
       .handler = RunningParabolaScalegram,
       .visible = false},
      {.name = "ScalegramPeriodogram1",
       .menu = "RuPar",
       .caption = "Scalegram->Periodogram",
       .handler = SendKey(std::string(1, '\x07')),
       .visible = false},
      {.name = "ScalegramMean1",
       .menu = "Mean",
       .caption = "Scalegram Mean",
       .handler = ScalegramMean},
  };
}

}  // namespace teril

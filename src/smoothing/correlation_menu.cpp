// The hidden items of the Analysis menu for correlation and regression and
// the autocorrelation function. Both are actions, so that their shortcuts
// work although the items are not shown.
#include "engine/engine.h"
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> CorrelationCommands() {
  return {
      // The action "Corelation" (U) shown as the item "Correlation1".
      {.name = "Corelation",
       .menu = "Analysis",
       .caption = "Correlation",
       .shortcut = "U",
       .handler = SendKey("U"),
       .action = true,
       .itemName = "Correlation1",
       .visible = false},
      {.name = "ACF1",
       .menu = "Analysis",
       .caption = "ACF",
       .shortcut = "Ctrl+C",
       .handler = SendKey("A"),
       .action = true,
       .visible = false},
  };
}

}  // namespace teril

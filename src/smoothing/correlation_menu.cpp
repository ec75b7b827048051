// Menu items of correlation and regression, the autocorrelation function.
#include <string>

#include "engine/engine.h"
#include "engine/named_command.h"

namespace teril {
namespace {

// A hidden item of the Analysis menu, bound to an entry of the action list
// so that its shortcut works although the item is not shown.
NamedCommand HiddenAction(const char* name, const char* caption, const char* shortcut,
                          const char* key) {
  NamedCommand c = MenuEntry(name, "Analysis", caption, shortcut, SendKey(key));
  c.visible = false;
  c.action = true;
  return c;
}

}  // namespace

std::vector<NamedCommand> CorrelationCommands() {
  // The action "Corelation" (U) shown as the item "Correlation1".
  NamedCommand correlation = HiddenAction("Corelation", "Correlation", "U", "U");
  correlation.itemName = "Correlation1";
  NamedCommand acf = HiddenAction("ACF1", "ACF", "Ctrl+C", "A");
  acf.after = "Corelation";
  return {correlation, acf};
}

}  // namespace teril

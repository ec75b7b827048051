// Menu items of the bin and point means, the histogram and the sigma statistics.
#include "engine/engine.h"
#include "engine/named_command.h"

namespace teril {
namespace {

// An entry that hands its key to the waiting engine, placed after `after`.
NamedCommand SendKey(const char* name, const char* item, const char* caption, const char* shortcut,
                     const char* key, const char* after) {
  NamedCommand c;
  c.name = name;
  c.itemName = item;
  c.menu = "Mean";
  c.caption = caption;
  c.shortcut = shortcut;
  c.handler = [k = std::string(key)](Engine& e) { e.console.InjectKey(k); };
  c.after = after;
  return c;
}

}  // namespace

std::vector<NamedCommand> MeanCommands() {
  std::vector<NamedCommand> list;
  NamedCommand mean = SendKey("Mean", "Mean2", "Bin Mean", "F4", "~4", "ChangeNNH");
  mean.action = true;
  list.push_back(mean);
  NamedCommand point = SendKey("PointMean", "Mean3", "Point Mean", "", "~M", "Mean");
  point.action = true;
  list.push_back(point);
  NamedCommand histogram = SendKey("Histogram", "Histogram1", "Histogram", "F5", "~}", "PointMean");
  histogram.action = true;
  histogram.visible = false;
  list.push_back(histogram);
  list.push_back(SendKey("MeanError1", "", "Mean Error", "", "\x17", "Histogram"));
  return list;
}

}  // namespace teril

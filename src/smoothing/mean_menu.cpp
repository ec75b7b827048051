// Menu items of the bin and point means, the histogram and the sigma statistics.
#include "engine/engine.h"
#include "engine/named_command.h"

namespace teril {
namespace {

// An entry that hands its key to the waiting engine, placed after `after`.
NamedCommand MeanItem(const char* name, const char* item, const char* caption, const char* shortcut,
                      const char* key, const char* after) {
  NamedCommand c = MenuEntry(name, "Mean", caption, shortcut, SendKey(key), after);
  c.itemName = item;
  return c;
}

}  // namespace

std::vector<NamedCommand> MeanCommands() {
  std::vector<NamedCommand> list;
  NamedCommand mean = MeanItem("Mean", "Mean2", "Bin Mean", "F4", "~4", "ChangeNNH");
  mean.action = true;
  list.push_back(mean);
  NamedCommand point = MeanItem("PointMean", "Mean3", "Point Mean", "", "~M", "Mean");
  point.action = true;
  list.push_back(point);
  NamedCommand histogram =
      MeanItem("Histogram", "Histogram1", "Histogram", "F5", "~}", "PointMean");
  histogram.action = true;
  histogram.visible = false;
  list.push_back(histogram);
  list.push_back(MeanItem("MeanError1", "", "Mean Error", "", "\x17", "Histogram"));
  // The four-point interpolated table of x on a grid of t ("QI").
  list.push_back(
      MeanItem("Interpolatedtable1", "", "Interpolated table...", "", "QI", "MeanError1"));
  return list;
}

}  // namespace teril

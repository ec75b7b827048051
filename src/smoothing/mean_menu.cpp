// The Mean menu: the number of bins, the bin and point means, the
// histogram, the mean error and the interpolated table.
#include "base/numfmt.h"
#include "data/settings.h"
#include "engine/engine.h"
#include "engine/named_command.h"

namespace teril {
namespace {

// The number of bins (or points per group) of the means and the histogram:
// an answer that is not an integer in 1..500 gives 500.
void ChangeNNH(Engine& e) {
  std::string answer = e.host.InputBox("NNH", "NNH:", Str(static_cast<long long>(e.eph.NNH)));
  auto v = ParseInteger(answer);
  e.eph.NNH = (v && *v >= 1 && *v <= 500) ? static_cast<int>(*v) : 500;
  e.LogLine("NNH is now=" + Str(static_cast<long long>(e.eph.NNH)) + " from " + "500");
  WriteSettings(e);
}

}  // namespace

std::vector<NamedCommand> MeanCommands() {
  return {
      {.name = "ChangeNNH",
       .menu = "Mean",
       .caption = "Change NNH",
       .shortcut = "Shift+F4",
       .handler = ChangeNNH,
       .action = true,
       .itemName = "ChangeNNH1"},
      {.name = "Mean",
       .menu = "Mean",
       .caption = "Bin Mean",
       .shortcut = "F4",
       .handler = SendKey("~4"),
       .action = true,
       .itemName = "Mean2"},
      {.name = "PointMean",
       .menu = "Mean",
       .caption = "Point Mean",
       .handler = SendKey("~M"),
       .action = true,
       .itemName = "Mean3"},
      {.name = "Histogram",
       .menu = "Mean",
       .caption = "Histogram",
       .shortcut = "F5",
       .handler = SendKey("~}"),
       .action = true,
       .itemName = "Histogram1",
       .visible = false},
      {.name = "MeanError1", .menu = "Mean", .caption = "Mean Error", .handler = SendKey("\x17")},
      // The four-point interpolated table of x on a grid of t ("QI").
      {.name = "Interpolatedtable1",
       .menu = "Mean",
       .caption = "Interpolated table...",
       .handler = SendKey("QI")},
  };
}

}  // namespace teril

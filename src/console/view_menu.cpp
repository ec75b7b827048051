// The View menu (zoom, centre, phase, hint, inverse x, the edges of the
// view, the print formats, the highlighted author) and the residual map of
// the Square menu.
#include "base/numfmt.h"
#include "console/menus.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "plot/cursor.h"
#include "plot/view.h"

namespace teril {
namespace {

// View > Print Precision: the print formats of t and x.
void PrintPrecision(Engine& e) {
  DataSet& d = e.data;
  std::vector<DialogField> fields{{"time width", Str(static_cast<long long>(d.tWidth))},
                                  {"time decimals", Str(static_cast<long long>(d.tDecimals))},
                                  {"signal width", Str(static_cast<long long>(d.xWidth))},
                                  {"signal decimals", Str(static_cast<long long>(d.xDecimals))}};
  if (!e.dialogs.EditFields("Form2", "Print Precision", fields)) return;
  // A field that is not an integer in a sensible range leaves its value:
  // a width of millions would make every saved line that long.
  if (auto v = IntegerAnswer(fields[0].value, 1, 60)) d.tWidth = *v;
  if (auto v = IntegerAnswer(fields[1].value, 0, 30)) d.tDecimals = *v;
  if (auto v = IntegerAnswer(fields[2].value, 1, 60)) d.xWidth = *v;
  if (auto v = IntegerAnswer(fields[3].value, 0, 30)) d.xDecimals = *v;
  e.console.InjectKey("#");
}

void TogglePhase(Engine& e) {
  e.checks.phase = !e.data.phased;
  e.console.InjectKey("F");
}

void ToggleSquare(Engine& e) {
  ToggleResidualMap(e);
  e.checks.residualMap = e.approxOut.mapShown;
}

}  // namespace

std::vector<NamedCommand> ViewMenuCommands() {
  return {
      {.name = "ZoomIn",
       .menu = "View",
       .caption = "ZoomIn      +",
       .handler = SendKey("+"),
       .action = true,
       .itemName = "ZoomIn2"},
      {.name = "ZoomOut",
       .menu = "View",
       .caption = "ZoomOut    -",
       .handler = SendKey("-"),
       .action = true,
       .itemName = "ZoomOut2"},
      {.name = "CenterDataPoint",
       .menu = "View",
       .caption = "Center    ",
       .shortcut = "Ctrl+E",
       .handler = SendKey("E"),
       .action = true,
       .itemName = "Center1"},
      {.name = "Refresh",
       .menu = "View",
       .caption = "Refresh",
       .handler = SendKey("#"),
       .action = true,
       .itemName = "Refresh1"},
      {.name = "Phase",
       .menu = "View",
       .caption = "Phase",
       .shortcut = "F",
       .handler = WhenWaiting(TogglePhase),
       .action = true,
       .itemName = "Phase1",
       .visible = false,
       .check = &MenuChecks::phase},
      {.name = "HintPos",
       .menu = "View",
       .caption = "Hint",
       .handler = HintClick,
       .action = true,
       .itemName = "Hint1",
       .check = &MenuChecks::hint},
      {.name = "Inversex1",
       .menu = "View",
       .caption = "Inverse x",
       .shortcut = "Ctrl+U",
       .handler = InverseXClick,
       .check = &MenuChecks::inverseX},
      {.name = "LeftEdge",
       .menu = "View",
       .caption = "Left Edge",
       .shortcut = "Ctrl+F7",
       .handler = SendKey("~&")},
      {.name = "RightEdge1",
       .menu = "View",
       .caption = "Right Edge",
       .shortcut = "Ctrl+F8",
       .handler = SendKey("~*")},
      {.name = "RestoreInterval1",
       .menu = "View",
       .caption = "Restore Interval ",
       .shortcut = "Ctrl+R",
       .handler = SendKey("R")},
      {.name = "F2PrPr1", .menu = "View", .caption = "Print Precision", .handler = PrintPrecision},
      {.name = "HighLightAuthor1",
       .menu = "View",
       .caption = "High Light Author",
       .handler = HighLightAuthorClick,
       .check = &MenuChecks::highlightAuthor},
      {.name = "riangle1",
       .menu = "Square",
       .caption = "Square",
       .handler = ToggleSquare,
       .check = &MenuChecks::residualMap},
  };
}

}  // namespace teril

// The Transform menu (logarithms, powers of ten, magnitudes and
// intensities, 1/t, x->phase) and x/t of the Analysis menu. Each check mark
// says that its transformation is in force.
#include "console/menus.h"
#include "engine/engine.h"

namespace teril {
namespace {

constexpr const char* kHint = "Please Uncheck before making a new transformation";

}  // namespace

std::vector<NamedCommand> TransformMenuCommands() {
  return {
      {.name = "lgt1",
       .menu = "Transform",
       .caption = "lg t",
       .shortcut = "Ctrl+T",
       .handler = ToggleAndSend(&MenuChecks::lgT, "T"),
       .check = &MenuChecks::lgT,
       .toolTip = kHint},
      {.name = "lgx1",
       .menu = "Transform",
       .caption = "lg x",
       .shortcut = "Ctrl+X",
       .handler = ToggleAndSend(&MenuChecks::lgX, "Y"),
       .check = &MenuChecks::lgX,
       .toolTip = kHint},
      {.name = "N10t",
       .menu = "Transform",
       .caption = "10^t",
       .shortcut = "Ctrl+G",
       .handler = ToggleAndSend(&MenuChecks::pow10T, "G"),
       .check = &MenuChecks::pow10T,
       .toolTip = kHint},
      {.name = "N10x",
       .menu = "Transform",
       .caption = "10^x",
       .shortcut = "Ctrl+H",
       .handler = ToggleAndSend(&MenuChecks::pow10X, "H"),
       .check = &MenuChecks::pow10X,
       .toolTip = kHint},
      {.name = "mi1",
       .menu = "Transform",
       .caption = "m->i",
       .shortcut = "Ctrl+I",
       .handler = ToggleAndSend(&MenuChecks::magToInt, "I"),
       .check = &MenuChecks::magToInt,
       .toolTip = kHint},
      {.name = "im1",
       .menu = "Transform",
       .caption = "i->m",
       .shortcut = "Ctrl+M",
       .handler = ToggleAndSend(&MenuChecks::intToMag, "M"),
       .check = &MenuChecks::intToMag,
       .toolTip = kHint},
      {.name = "ReciAxis1",
       .menu = "Transform",
       .caption = "t=1/t",
       .shortcut = "Ctrl+K",
       .handler = ToggleAndSend(&MenuChecks::reciprocalT, "\\"),
       .check = &MenuChecks::reciprocalT,
       .toolTip = kHint},
      {.name = "xphase1",
       .menu = "Transform",
       .caption = "x->phase",
       .shortcut = "Ctrl+L",
       .handler = SendKey("\x83"),
       .visible = false},
      {.name = "xt1",
       .menu = "Analysis",
       .caption = "x/t",
       .handler = SendKey("~("),
       .visible = false},
  };
}

}  // namespace teril

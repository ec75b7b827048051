// Menu items of the approximation methods and the "Save image" mark.
#include <vector>

#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/approximation_command.h"

namespace teril {
namespace {

// A method's item: the polynomials (1, 2) with their trial runs over the
// number of coefficients, the others after the preliminary parabola.
NamedCommand MethodItem(const char* name, const char* caption, const char* shortcut, int method,
                        bool visible = true) {
  return NamedCommand{.name = name,
                      .menu = "Approximation",
                      .caption = caption,
                      .shortcut = shortcut,
                      .handler =
                          [method](Engine& e) {
                            if (method <= 2)
                              RunPolynomialCommand(e, method);
                            else
                              RunNonlinearCommand(e, method);
                          },
                      .visible = visible};
}

}  // namespace

std::vector<NamedCommand> ApproximationCommands() {
  return {
      MethodItem("polinomial1", "Polynomial", "Ctrl+Alt+P", 1),
      MethodItem("symmetricalpolinomial1", "Symmetrical polynomial", "Ctrl+Alt+Y", 2),
      MethodItem("wsp1", "WSP", "Ctrl+Alt+W", 5),
      MethodItem("wsrwithconst1", "WSL", "Ctrl+Alt+L", 6),
      MethodItem("NAV1", "NAV", "Ctrl+Alt+N", 3),
      MethodItem("Mikulashek1", "Mikulashek", "Ctrl+Alt+M", 4),
      MethodItem("wsap1", "WSAP", "Ctrl+Alt+S", 7),
      MethodItem("parabolicsplaine1", "Parabolic spline", "Ctrl+Alt+R", 8),
      MethodItem("as1", "AP", "Ctrl+Alt+A", 9),
      MethodItem("bsk1", "bsk", "", 10, false),
      MethodItem("sech1", "sech", "", 11),
      NamedCommand{.name = "Savepicture1",
                   .menu = "Approximation",
                   .caption = "Save image",
                   .handler = [](Engine& e) { e.checks.saveImage = !e.checks.saveImage; },
                   .check = &MenuChecks::saveImage},
  };
}

}  // namespace teril

// Menu items of the trigonometric polynomial, the ephemeris dialog and O-C.
#include <vector>

#include "engine/named_command.h"
#include "periodicity/fourier_command.h"

namespace teril {

std::vector<NamedCommand> FourierCommands() {
  return {
      NamedCommand{.name = "trigpoli",
                   .menu = "Periodogram",
                   .caption = "Trigonometric Polynomial",
                   .handler = SendKey("Q8"),
                   .action = true,
                   .itemName = "rigonometricPolynomial1"},
      NamedCommand{
          .name = "TPQ", .menu = "Periodogram", .caption = "T_0, P, Q", .handler = EphemerisDialog},
      NamedCommand{.name = "OC",
                   .menu = "Analysis",
                   .caption = "O-C",
                   .handler = SendKey("("),
                   .action = true,
                   .itemName = "OC1",
                   .visible = false},
  };
}

}  // namespace teril

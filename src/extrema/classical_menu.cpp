// Menu items of the three-point parabola and the method of Kwee and van
// Woerden (the hidden Extrema menu), and the dialog of sigma_0.
#include "base/numfmt.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/kwee_van_woerden.h"

namespace teril {
namespace {

bool IsRealNumber(const std::string& text) { return ParseNumber(text).has_value(); }

// "Sigma_0 for 3-point": the dialog keeps its OK disabled while the text is
// not a number; the console mode's answer is checked here.
void AskSigma0(Engine& e) {
  std::vector<DialogField> fields{
      {"Sigma_0=", e.classical.sigma0Text,
       "unit-weight error of one observation, in signal units (a real number, such as 0.01)",
       IsRealNumber}};
  if (!e.dialogs.EditFields("InsSig3", "Insert Sigma_0 for 3-point", fields)) return;
  const std::string& answer = fields[0].value;
  if (IsRealNumber(answer)) {
    e.classical.sigma0Text = answer;
  } else {
    e.LogLine("\"" + answer + "\" is not a number; Sigma_0 stays " + e.classical.sigma0Text);
  }
}

}  // namespace

std::vector<NamedCommand> ClassicalExtremaCommands() {
  return {
      // The action of the Insert key, shown in the menu as its item.
      NamedCommand{.name = "tpParabola",
                   .menu = "Extrema",
                   .caption = "3-point parabola",
                   .shortcut = "Ins",
                   .handler = SendKey("~/"),
                   .action = true,
                   .itemName = "N3pointparabola1",
                   .visible = false},
      NamedCommand{.name = "Sigma0for3point1",
                   .menu = "Extrema",
                   .caption = "Sigma_0 for 3-point",
                   .handler = AskSigma0,
                   .visible = false},
      NamedCommand{.name = "Sigmainlist1",
                   .menu = "Extrema",
                   .caption = "Sigma in list",
                   .handler = [](Engine& e) { e.checks.sigmaInList = !e.checks.sigmaInList; },
                   .visible = false,
                   .check = &MenuChecks::sigmaInList},
      NamedCommand{.name = "Kwee1",
                   .menu = "Extrema",
                   .caption = "Kwee, van Woerden",
                   .handler = KweeVanWoerden,
                   .visible = false},
  };
}

}  // namespace teril

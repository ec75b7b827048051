// Menu items of the three-point parabola and the method of Kwee and van
// Woerden (the hidden Extrema menu), and the dialog of sigma_0.
#include "base/numfmt.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/kwee_van_woerden.h"

namespace teril {
namespace {

bool IsRealNumber(const std::string& text) { return ParseNumber(text).has_value(); }

NamedCommand Item(const char* name, const char* caption, std::function<void(Engine&)> handler) {
  NamedCommand c = MenuEntry(name, "Extrema", caption, "", std::move(handler));
  c.visible = false;
  return c;
}

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
  std::vector<NamedCommand> list;
  // The action of the Insert key, shown in the menu as its item.
  NamedCommand parabola = Item("tpParabola", "3-point parabola", SendKey("~/"));
  parabola.shortcut = "Ins";
  parabola.action = true;
  parabola.itemName = "N3pointparabola1";
  list.push_back(std::move(parabola));

  NamedCommand sigma0 = Item("Sigma0for3point1", "Sigma_0 for 3-point", AskSigma0);
  sigma0.after = "tpParabola";
  list.push_back(std::move(sigma0));

  NamedCommand inList = Item("Sigmainlist1", "Sigma in list", [](Engine& e) {
    e.checks.sigmaInList = !e.checks.sigmaInList;
  });
  inList.check = &MenuChecks::sigmaInList;
  inList.after = "Sigma0for3point1";
  list.push_back(std::move(inList));

  NamedCommand kwee = Item("Kwee1", "Kwee, van Woerden", KweeVanWoerden);
  kwee.after = "Sigmainlist1";
  list.push_back(std::move(kwee));
  return list;
}

}  // namespace teril

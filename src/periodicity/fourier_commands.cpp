// Menu items of the trigonometric polynomial, the ephemeris dialog and O-C.
#include "periodicity/fourier_commands.h"

#include <string>
#include <vector>

#include "base/numfmt.h"
#include "data/settings.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "periodicity/phase.h"

namespace teril {

namespace {

NamedCommand Sender(const char* name, const char* menu, const char* caption, const char* key) {
  NamedCommand c;
  c.name = name;
  c.menu = menu;
  c.caption = caption;
  c.handler = [k = std::string(key)](Engine& e) { e.console.InjectKey(k); };
  return c;
}

}  // namespace

void EphemerisDialog(Engine& e) {
  // Inside another command's question the ephemeris must not change under
  // it (a fit already made with the old period would be written with the
  // new one).
  if (!FreeOfOtherCommands(e)) return;
  const bool keyWait = e.console.WaitsForCommandKey();
  Ephemeris& eph = e.eph;
  std::vector<DialogField> fields{{"Initial Epoch T_0=", General(eph.epochT0)},
                                  {"Period P=", General(eph.period)},
                                  {"Quadratic term Q=", General(eph.Q)}};
  const bool ok = e.dialogs.EditFields("F1TPQ", "t=T_0+P*E+Q*E^2", fields);
  bool changed = false;
  if (ok) {
    const Ephemeris before = eph;
    if (auto v = ParseNumber(fields[0].value)) eph.epochT0 = *v;
    if (auto v = ParseNumber(fields[1].value)) {
      if (*v != 0) {
        eph.period = *v;
      } else {
        e.LogLine("Period P=0 refused (no period); P stays " + General(eph.period));
      }
    }
    if (auto v = ParseNumber(fields[2].value)) eph.Q = *v;
    // The phases and the plot's "f=" label both follow the new period.
    if (eph.period != before.period) eph.frequency = 1 / eph.period;
    changed = eph.epochT0 != before.epochT0 || eph.period != before.period || eph.Q != before.Q;
  }
  WriteSettings(e);
  if (changed && e.data.phased) {
    ComputePhases(e);
    if (keyWait) e.console.InjectKey("#");  // the plot shows the new phases
  }
}

std::vector<NamedCommand> FourierCommands() {
  NamedCommand trig = Sender("trigpoli", "Periodogram", "Trigonometric Polynomial", "Q8");
  trig.action = true;
  trig.itemName = "rigonometricPolynomial1";

  NamedCommand tpq;
  tpq.name = "TPQ";
  tpq.menu = "Periodogram";
  tpq.caption = "T_0, P, Q";
  tpq.handler = EphemerisDialog;
  tpq.after = "trigpoli";

  NamedCommand oc = Sender("OC", "Analysis", "O-C", "(");
  oc.action = true;
  oc.itemName = "OC1";
  oc.visible = false;
  oc.after = "Corelation";
  return {trig, tpq, oc};
}

}  // namespace teril

// The ephemeris dialog "t=T_0+P*E+Q*E^2".
#include "periodicity/fourier_command.h"

#include <string>
#include <vector>

#include "base/numfmt.h"
#include "data/settings.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "periodicity/phase.h"

namespace teril {

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

}  // namespace teril

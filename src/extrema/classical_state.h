// State of the two classical timing methods that lasts as long as the
// program: the unit-weight error of the three-point parabola and the period
// it found last. ("Sigma in
// list" is the check mark of its menu item, kept with the other marks.)
#pragma once

#include <limits>
#include <string>

namespace teril {

struct ClassicalState {
  // Text of the dialog "Insert Sigma_0 for 3-point": the unit-weight error
  // sigma_0 of one observation (signal units), parsed each time the
  // parabola runs. Only texts that parse as a real number are stored.
  std::string sigma0Text = "1";
  // Period found by the last three-point parabola, for key code 16 (0:
  // none), or the best period of a box least squares periodogram run since.
  double lastParabolaPeriod = 0;
  // The mid-time of the first event of that box, which key code 16 takes as
  // T0 with the period; NaN when the period came from a parabola (T0 := 0).
  double lastPeriodEpoch = std::numeric_limits<double>::quiet_NaN();
};

}  // namespace teril

// The periodogram command: the period search over the visible points.
#pragma once

#include "engine/fwd.h"

namespace teril {

// Above this many frequencies the grid is refused.
constexpr double kMaxPeriodogramFrequencies = 1e8;
// Above this product of points and frequencies the fast method is used.
constexpr double kDirectPeriodogramLimit = 1e8;

// "Periodogram...": the dialog "Periodogram" (lowest and highest frequency,
// oversampling, method, peaks to list), the periodogram of the visible
// points firstVisible..lastVisible with tMin <= t <= tMax (weights 1/s^2
// when the s column is loaded), the log of the grid and the highest peaks,
// the file "<stem>_periodogram.dat" (frequency, power, semi-amplitude in
// the 23-character form, after a header line); then, unsaved edits saved
// first when the user wishes, the data set becomes the periodogram
// (t := frequency, x := power for method 1 or semi-amplitude for method 2,
// the current point on the highest peak) and the view is reset. Bad input,
// a cancelled dialog or a stop leave the data set as it was.
void RunPeriodogramCommand(Engine& engine);

}  // namespace teril

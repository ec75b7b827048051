// The periodogram command: the period search over the visible points.
#pragma once

#include "engine/fwd.h"

namespace teril {

// Above this many frequencies the grid is refused.
constexpr double kMaxPeriodogramFrequencies = 1e8;
// Above this product of points and frequencies the fast method is used.
constexpr double kDirectPeriodogramLimit = 1e8;

// "Periodogram...": the dialog "Periodogram" (periodicity/periodogram_dialog.h:
// lowest and highest frequency, oversampling, method 1 to 7, peaks to list,
// then the harmonics, bins and durations of methods 3 to 7), the period
// search of the visible points firstVisible..lastVisible with tMin <= t <=
// tMax (weights 1/s^2 when the s column is loaded; for method 4 the band of
// each point from its observer code) through ComputePeriodSearch, the log
// of the grid and the best peaks (ListPeriodSearchPeaks: the minima of
// theta for method 5; the false-alarm probability for methods 1, 3 to 6;
// the depth, duration and t0 of the box for method 7), the file
// "<stem>_periodogram.dat" (WritePeriodogramFile: frequency, power,
// semi-amplitude; for method 7 frequency, power, depth, duration, t0);
// then, unsaved edits saved first when the user wishes, the data set
// becomes the periodogram (t := frequency, x := the semi-amplitude for
// method 2, else the method's statistic; the current point on the best
// value) and the view is reset. After method 7 key code 16 takes the
// period and T0 of the best box (ClassicalState::lastPeriodEpoch); any
// other method withdraws them. Bad input, a cancelled dialog or a stop
// leave the data set as it was.
void RunPeriodogramCommand(Engine& engine);

}  // namespace teril

// Phases from the ephemeris t = T0 + P E + Q E^2 (T0 = epochT0, P = period,
// Q = Q; f = frequency, normally 1/P) and the keys that pick the ephemeris:
// trial frequencies, epoch from the current point, period from the last
// three-point parabola, and x -> phase.
#pragma once

#include <string>

#include "engine/fwd.h"
#include "periodicity/ephemeris.h"

namespace teril {

// Fractional part with the sign of y: y - trunc(y).
double Frac(double y);

// Cycle number of time t: d = (t - T0) f; with Q != 0 the root of the
// quadratic ephemeris, E = (sqrt(1 + g) - 1) P / (2Q) with g = 4 d Q f
// (evaluated as g P / (2Q (1 + sqrt(1 + g))), the same value without
// cancellation), or
// its series d (1 - g/4 + g^2/8 - 5g^3/64) when |g| <= 0.0002 (no
// cancellation). Returns false when g <= -1 (no real cycle number); `e` is
// then d.
bool CycleNumber(const Ephemeris& eph, double t, double& e);

// Phase of one moment in [0, 1).
double PhaseOfTime(const Ephemeris& eph, double t);

// The phase as it is shown: width 6, 4 decimals.
std::string PhaseText(double phase);

// Sets t of every point to the phase of its t0 in [-0.5, 0.5] (values
// above 0.5 move down by one, below -0.5 up by one). With Q != 0 a point
// without a real cycle number gets t = 2, outside the phase window.
void ComputePhases(Engine& engine);

// Keys #19 (step +1) and #1 (step -1): when the trial-frequency list is not
// empty, phase mode goes on and frequencyIndex moves by step with
// wrap-round in 1..count (entry frequencyList[frequencyIndex - 1]); a
// non-zero entry becomes the frequency and period := 1/frequency. Returns
// false, changing nothing, when the list is empty. The caller then
// restores the view (which computes the phases).
bool StepTrialFrequency(Engine& engine, int step);

// Key #15: epochT0 := t0[j]. The phases are recomputed by the next phase or
// frequency key.
void SetEpochFromCurrentPoint(Engine& engine);

// Key #16: period := the period of the last three-point parabola (the
// reciprocal of its extremum argument), frequency := 1/period,
// epochT0 := 0, scrollShift := 0. When `period` is the best period of a
// box least squares periodogram run since (ClassicalState), epochT0 := the
// mid-time of its first event instead, with a log line. A period that is not a positive finite
// number is refused with a log line. The caller writes the settings file.
bool SetPeriodFromParabola(Engine& engine, double period);

// Key #131: t := x (moments of time), x := their phase moved into
// (-0.5, 0.5]; the x format becomes 9:6 and the t format takes the old x
// format; columnX := 1. t0 is not changed.
void XToPhase(Engine& engine);

}  // namespace teril

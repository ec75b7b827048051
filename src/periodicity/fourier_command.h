// The trigonometric polynomial command ("Q8") and the ephemeris dialog
// (T_0, P, Q).
#pragma once

#include <string>

#include "engine/fwd.h"
#include "lsq/lsq_state.h"
#include "periodicity/ephemeris.h"
#include "periodicity/trig_polynomial.h"

namespace teril {

// The three lines under the title of the report, in the log and in "_Four".
extern const char* const kTrigBanner[3];

// The trigonometric polynomial of the visible points (indices
// firstVisible..lastVisible with tMin <= t <= tMax) of the basic period:
//  - the degree scan s = 0..s_max (TrigDegreeLimit of the index count) in
//    the log and in "<stem>_Four" (created afresh), the suggested degree
//    being the one of the largest S/N_a (kept from the last run when no
//    S/N_a is above 0, and never above s_max);
//  - one key for the degree (a digit 0..s_max; anything else keeps the
//    suggestion), the fit of that degree with its coefficients, their
//    errors s_0 sqrt(A^-1_ii) and A^-1 appended to "_Four";
//  - one key for the smoothed values ("0" phase curve, "1" time curve,
//    other: none), then start, end and step: "<stem>_Four_c.dat";
//  - "<stem>_Four.dat": t0, x and the model at every point of the data
//    set; the residuals x - model go to s for every point.
// Leaves the coefficients in lsq.Coef[1..m], A^-1 in the least-squares
// work matrix and the chosen degree as the next suggestion. Changes
// neither t, x, the ephemeris nor the view. With no point in the view it
// says so and writes nothing.
void TrigPolynomialCommand(Engine& e);

// ("Q8") The log line "Trigonometric Polynomial", the plot cleared, the
// command. -> Rescale
Continuation TrigPolynomialKey(Engine& e);

// The argument (in cycles: the angle is 2 pi times it) of a smoothed value
// at u0. Key '0': u0 is a phase, key '1' a time. In time mode (the fit's
// angle is 2 pi t / P) a phase gives u0 + T0/P and a time u0/P (both u0,
// and 0 for a time, when P = 0). In phase mode the fit's argument is the
// phase itself, so a phase gives u0 and a time the cycle number of u0 on
// the ephemeris (CycleNumber).
double SmoothedArgument(const Ephemeris& eph, bool phased, char key, double u0);

// The smoothed value xMean + model at the angle and its error
// s0 sqrt(|f^T A^-1 f|), with A^-1 the leading m x m block of
// inverse.NormalMatrix.
struct SmoothedValue {
  double x = 0, sigma = 0;
};
SmoothedValue SmoothedAt(const TrigFit& fit, double xMean, double s0, const LsqSystem& inverse,
                         double angle);

// The dialog "F1TPQ" of the ephemeris t = T0 + P E + Q E^2: the three
// fields with the current values; on OK each field that is a number
// replaces its value (P = 0 is refused: no period), the frequency follows
// P (1/P) and, in phase mode, the phases are computed again and the plot
// refreshed. The settings are written however the dialog closes. While the
// engine waits for an answer other than a key (inside another command) the
// dialog is refused, as other menu commands are.
void EphemerisDialog(Engine& e);

}  // namespace teril

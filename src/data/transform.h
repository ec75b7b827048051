// Transformations of the argument t and the signal x of the whole data set.
//
// Every transformation that can leave its domain (lg of a value <= 0, 10^v
// beyond the double range, 1/0, the square root of a negative value, equal
// neighbouring t in a derivative) computes all new values first and is
// refused whole when one of them is not a finite number: a log line names
// the first offending point (its number and value) and the data, the flags
// and the print formats stay as they were. Functions return true when the
// transformation was applied. The data set never holds NaN or infinity
// after one of them.
//
// Nothing here redraws; the key loop applies its continuation (FULL after a
// change of t, RESCALE after a change of x).
#pragma once

#include "engine/fwd.h"

namespace teril {

// ---- argument ----

// "\": t := 1/t.
bool ReciprocalT(Engine& engine);
// "T": on t := lg t, off t := 10^t.
bool ToggleLgT(Engine& engine);
// "G": on t := 10^t, off t := lg t.
bool TogglePowT(Engine& engine);
// #14: t[i] := i.
void TimeToIndex(Engine& engine);
// #18: t := t0.
void RestoreLoadedTime(Engine& engine);
// Q1 / Q2: E := (t - epochT0)/period; t := E rounded to the nearest
// integer (halfCycles false, t format 4:0) or to the nearest half-integer
// (true, format 5:1).
bool CycleNumbers(Engine& engine, bool halfCycles);
// Q*: doubles the density of points by interpolation, n := 2n - 1. The old
// points go to the odd places; an inner new point gets the cubic midpoint
// value (9(x[k-1] + x[k+1]) - (x[k-3] + x[k+3]))/16, the second and the
// last-but-one place the three-point value (3a + 6b - c)/8 of their side.
// Exact for cubics (inner) and quadratics (ends) on equally spaced t.
// Refused when 2n - 1 exceeds MaxPoints or n < 2.
bool DoubleDensity(Engine& engine);

// ---- signal ----

// "Y": on x := lg x, off x := 10^x.
bool ToggleLgX(Engine& engine);
// "H": on x := 10^x, off x := lg x; inverse x := off.
bool TogglePowX(Engine& engine);
// "M": on x := -2.5 lg x - m0Ref, x format 5:3 (the previous one is kept),
// inverse x := on; off x := 10^(-0.4 (x + m0Ref)) with the reference used
// when it was switched on, format restored, inverse x := off.
bool ToggleIntensityToMagnitude(Engine& engine);
// "I": on x := 10^(-0.4 (x - x0Ref)), x format 5:3 (previous kept),
// inverse x := off and the vertical range 1.0 (xMin) to 0.0 (xMax): the
// caller then redraws without a rescale. Off x := -2.5 lg x + x0Ref with
// the reference used when it was switched on, format restored,
// inverse x := on.
bool ToggleMagnitudeToIntensity(Engine& engine);
// Grave accent: x := x - floor(x), in [0, 1); beeps.
void FractionalX(Engine& engine);
// "$": unwraps whole cycles in x over firstVisible..lastVisible: a step
// below -0.5 adds one more cycle to the following points, a step above 0.5
// takes one off.
void UnwrapCycles(Engine& engine);
// ~(: x := x/t; t = 0 gives 1e32.
bool DivideXByT(Engine& engine);
// Q6: x := x^2.
bool SquareX(Engine& engine);
// QS with the value of a: x := sqrt(x^2 - a^2).
bool SqrtDifference(Engine& engine, double a);
// QS: asks a ("x_j:=sqrt(x_j^2-a^2)  a= [0] "), then as above.
bool AskSqrtDifference(Engine& engine);
// QE: x := x/(1 - x); x = 1 gives 1e10.
bool XOverOneMinusX(Engine& engine);
// QP: x := x * period.
bool MultiplyXByPeriod(Engine& engine);
// Q3 (sign -1, widens the x format by 2 places and 2 decimals) and
// Q4 (sign +1): x := x -/+ s.
bool AddS(Engine& engine, int sign);
// Q0 with a and b: x := a x + b s.
bool LinearXS(Engine& engine, double a, double b);
// Q0: asks a (default 1) and b (default 0), then as above.
bool AskLinearXS(Engine& engine);
// Q-: every negative x gets +1.
void NegativeXPlusOne(Engine& engine);

// ---- the linear transformation x := ay + by x + cy t ----

// QR: applies (x := by x + ay + cy t) or undoes (x := (x - ay - cy t)/by)
// it and toggles lineApplied.
bool ToggleLinearTransform(Engine& engine);
// QQ: undoes an applied transformation, logs the formula and asks the
// three coefficients ("ay= [0]", "by= [1]", "cy= [0]"; an empty answer
// keeps the value). Returns false when the undo was refused (coefficients
// not asked then).
bool AskLinearCoefficients(Engine& engine);
// QX: lineApplied := off.
void ForgetLinearTransform(Engine& engine);

// ---- commands that change the number of points or work on neighbours
//      (transform_series.cpp) ----

// "&": x[i] := t[i+1] - t[i] for i = 1..n-1; n := n - 1.
bool DifferencesOfT(Engine& engine);
// QD: x[i-1] := (x[i] - x[i-1])/(t[i] - t[i-1]), t[i-1] := the mid-point;
// n := n - 1; lastVisible := min(lastVisible, n). Refused on equal t.
bool Derivative(Engine& engine);
// #7: the same for x^2.
bool SquareDerivative(Engine& engine);
// #26 (step -1) / #24 (step +1): lag diagram. mapShift moves by step; out
// of 1..countAtLoad-2 it stays where it was, a beep sounds and false is
// returned (nothing else changes). Otherwise n := countAtLoad - mapShift,
// t[i] := x[i + mapShift] and the t format takes the x format.
bool LagMap(Engine& engine, int step);

// Clock time hhmmss (blank: 0) as a fraction of a day counted from noon,
// for a clock that runs `offsetHours` ahead of UT.
double ClockTimeToDayFraction(double hhmmss, double offsetHours);
// Time correction from two clock readings: tau1, tau2 as fractions of a
// day (ClockTimeToDayFraction), corrections in seconds. Rate
// r := (c2 - c1)/(tau2 - tau1) with c in days; t := t + (t - tau1) r.
// Refused when tau1 = tau2.
bool CorrectTime(Engine& engine, double tau1, double correction1Seconds, double tau2,
                 double correction2Seconds);
// QT: asks "Time correction. UT+?" (an empty answer ends the program:
// throws ProgramExit{0}), then the two times and corrections, and applies
// CorrectTime.
bool AskTimeCorrection(Engine& engine);

}  // namespace teril

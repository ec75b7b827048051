// The approximation engine: fits one of the eleven models to the visible
// interval and finds the moment of the extremum with its errors.
//
// How to call it:
//   engine.lsq.m = 3;                            // methods 1 and 2: number of coefficients
//   Approximate(engine, Method::kPolynomial);    // preliminary parabola: sets CurvatureSign
//   ApproximationResult r = Approximate(engine, Method::kWsp);  // 3..11 set m themselves
//   // r.method is the method actually used (WSP may become WSL, ...)
//   if (r.completed) WriteApproximationOutput(engine, r);  // curve, files, picture
//
// The interval is the points engine.view.firstVisible..lastVisible whose t
// lies in [tMin, tMax]; u = -1 at its first and +1 at its last point.
//
// Results, times in the unit of t: ExtremumTime T, ExtremumTimeSigma
// sigma T, ExtremumMag M, ExtremumMagSigma sigma M, Sigma2, CoefSigma[1..n],
// EclipseDuration and its parts and sigma (methods 5 to 9), FallbackFlag,
// meanSignal, isMinimum (M >= mean: a minimum of brightness).
// Sentinels: sigma T = 1e32 when there are fewer points than parameters
// (early return, completed = false, nothing else changed); T = sigma T =
// M = sigma M = 9999 when the moment lies outside the central interval of
// the spline or AP (outOfInterval); sigma T = the whole interval width when
// the covariance is not positive or the polynomial has several extrema
// (fitFailed). Errors that cannot be computed are 9999; no result is ever
// NaN or infinite.
//
// The fit writes no file and draws nothing; it logs its messages through
// engine.console.LogLine. It also leaves its results in engine.approx and
// the fit itself in engine.lsq (Coef, m, n, c5, c6, x0, the inverse in
// NormalMatrix), where the later commands read them.
#pragma once

#include "extrema/approx_state.h"
#include "extrema/models.h"
#include "lsq/lsq_state.h"

namespace teril {

class Engine;

// What one Approximate call gives: the results (as engine.approx keeps
// them), the method asked for and the one used, and the fit.
struct ApproximationResult : ExtremumResults {
  Method requested = Method::kNone;  // the method asked for
  Method method = Method::kNone;     // the method used: differs after a fallback
  int m = 0, n = 0;                  // linear coefficients, all parameters
  double Coef[kLsqDim] = {};         // C_1..C_n; the nonlinear ones in u
};

ApproximationResult Approximate(Engine& engine, Method method);

// The same with the method as its number: `method` in, the number of the
// method used out.
ApproximationResult Approximate(Engine& engine, int& method);

// The older form of the call, for callers outside the approximation
// commands: as Approximate(engine, method), and with printResults = 1 a
// completed fit is then written out as the commands do
// (WriteApproximationOutput).
ApproximationResult Approximate(Engine& engine, int& method, int printResults);

}  // namespace teril

// The approximation engine: fits one of the eleven models to the visible
// interval and finds the moment of the extremum with its errors.
//
// How to call it:
//   engine.lsq.m = 3;            // methods 1 and 2: number of coefficients
//   int method = 1;              // preliminary parabola: sets CurvatureSign
//   Approximate(engine, method, 0);
//   method = 5;                  // WSP (methods 3..11 set m themselves)
//   Approximate(engine, method, 1);
//   // method now holds the method actually used (WSP may become WSL, ...)
//   // results: engine.approx (ExtremumTime, ExtremumTimeSigma, ...),
//   // engine.lsq (Coef, m, n, c5, c6, x0, the inverse in NormalMatrix)
//
// The interval is the points engine.view.firstVisible..lastVisible whose t
// lies in [tMin, tMax]; u = -1 at its first and +1 at its last point.
//
// Results (engine.approx), times in the unit of t:
//   ExtremumTime T, ExtremumTimeSigma sigma T, ExtremumMag M,
//   ExtremumMagSigma sigma M, Sigma2, CoefSigma[1..n], EclipseDuration and
//   its parts and sigma (methods 5 to 9), FallbackFlag, meanSignal,
//   isMinimum (M >= mean: a minimum of brightness).
// Sentinels: sigma T = 1e32 when there are fewer points than parameters
// (early return, completed = false, nothing else changed); T = sigma T =
// M = sigma M = 9999 when the moment lies outside the central interval of
// the spline or AP (outOfInterval); sigma T = the whole interval width when
// the covariance is not positive or the polynomial has several extrema
// (fitFailed). Errors that cannot be computed are 9999; no result is ever
// NaN or infinite.
//
// Log lines go through engine.console.LogLine. With printResults = 1 the
// hook engine.approx.finalOutput runs at the end (curve, files, picture).
#pragma once

namespace teril {

class Engine;

void Approximate(Engine& engine, int& method, int printResults);

}  // namespace teril

// Correlation and regression of the visible points: means, deviations, the
// correlation coefficient r, both regression lines, the orthogonal slope
// and the error ellipses; the key commands "U" and ^U (the smoothed value
// at the regression line).
//
// Weights: with the s column loaded every visible point with s > 0 has
// w = 1/s^2 and the others are left out; otherwise w = 1. With W = sum w:
//   tMean = sum w t / W,  sigmaT = sqrt(sum w (t - tMean)^2 / W)  (x alike),
//   r = sum w (t - tMean)(x - xMean) / (W sigmaT sigmaX),
//   nEff = W^2 / sum w^2,  sR = sqrt((1 - r^2)/(nEff - 2)),  q = r / sR,
//   b = r sigmaX / sigmaT (x on t),  kT = sigmaX / (sigmaT r) (t on x, as dx/dt).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "data/data_set.h"
#include "engine/fwd.h"
#include "plot/view_state.h"
#include "smoothing/correlation_state.h"

namespace teril {

// The regression state of the points first..last (1-based) with
// tMin <= t <= tMax. The deviations and r need more than 2 weighted points
// or more than 1 unweighted point, else they are 0 (q and kT then take
// kNoRatio). No point usable: count = 0 and valid = false. r is kept within
// -1..1 (rounding can put it a hair outside).
CorrelationState ComputeCorrelation(const DataSet& d, int first, int last, double tMin, double tMax,
                                    bool weighted);

// sigma / sqrt(1 - 1/nEff): the deviation with the factor of the unbiased
// estimate (0 when nEff <= 1, where sigma is 0 too).
double UnbiasedDeviation(double sigma, double nEff);
// sigma / sqrt(nEff - 1): the error of a mean (0 when nEff <= 1).
double ErrorOfMean(double sigma, double nEff);

// Slope dx/dt of the major axis of the scatter (the orthogonal regression):
// theta = atan2(2 r sigmaT sigmaX, sigmaT^2 - sigmaX^2), phi = theta/2,
// k = tan phi; 1e14 when |phi| is within 1e-14 of pi/2 (a vertical axis).
double OrthogonalSlope(double sigmaT, double sigmaX, double r);

// The perpendicular slope -1/k of a slope k; 1e14 (vertical) when k = 0.
double PerpendicularSlope(double k);

// Where the line of t on x meets the signal level `level`, and its error:
// tC = (level - xMean)/kT + tMean,
// sigmaC = sqrt(((level - xMean) sigmaD)^2 + sigmaT^2 / count), sigmaD
// being the error of the slope dt/dx = 1/kT.
struct LevelCrossing {
  double tC = 0, sigmaC = 0;
};
LevelCrossing CrossingOfLevel(const CorrelationState& c, double level);

// End points of the line x = xMean + m (t - tMean) as drawn across the
// window tMin..tMax: an end whose row would lie more than 140 pixels from
// xMid (outside the frame) is moved along the line to the frame's top or
// bottom edge.
struct LineEnds {
  double ta = 0, xa = 0, tb = 0, xb = 0;
};
LineEnds RegressionLineEnds(const ViewState& v, double tMean, double xMean, double m);

// The 500 points (t, x) of the error ellipse
//   zt^2 - 2 r zt zx + zx^2 = c2,  zt = (t - tMean)/sigmaT,  zx = (x - xMean)/sigmaX,
// at the directions psi with tan psi = tan alpha sigmaX/sigmaT (psi in the
// half-plane of cos alpha), alpha = i 2 pi / 499, i = 0..499. The first
// point is (tMean + sqrt(c2) sigmaT, xMean). Needs sigmaT sigmaX > 0.
std::vector<std::pair<double, double>> ErrorEllipse(const CorrelationState& c, double c2);

// The nine lines of one run in "_corr", each ending in "\n".
std::string CorrFileText(const Engine& e, const CorrelationState& c);

// The correlation command on the visible points: the status column, the
// file "_corr" (appended to), the level crossing, the lines at the means,
// the regression lines and "_regr.dat", the error ellipses; sets the
// regression state and justCorrelated. Returns false, with a log line and
// nothing else changed, when no visible point can be used.
bool RunCorrelation(Engine& e);

// A second "U" right after a correlation: the follow-up of the correlation
// (the period correction from the phase diagram).
bool CorrelationFollowUpPending(const Engine& e);

// ("U") The correlation, then the message box "corr=" with r. -> Wrap
Continuation CorrelationKey(Engine& e);

// (^U) The value of the regression line of x on t at an abscissa asked
// for (Enter or a text that is not a number: the current point's t), with
// its error sqrt(((a - tMean) sigmaB)^2 + SX^2), in the log; then waits for
// a key. -> Restore
Continuation SmoothedValueKey(Engine& e);

}  // namespace teril

// State and results of the approximation engine (Approximate) and of its
// grid search (ScanNonlinear). The least-squares state proper (Coef, the
// inverse normal matrix, u, y, r, c5, c6, x0, m, n, CurvatureSign) is in
// LsqState.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "lsq/lsq_state.h"

namespace teril {

// Half-size of the residual map: indices -100..100 in both directions.
constexpr int kMapHalf = 100;
constexpr int kMapSide = 2 * kMapHalf + 1;

// Sentinels of the results.
constexpr double kTooFewPoints = 1e32;   // sigma of T: fewer points than parameters
constexpr double kOutOfInterval = 9999;  // T, sigma T, M, sigma M outside [c5, c6]
constexpr double kFailedSigmaU = 2;      // sigma of T in u when the fit failed

struct ScanWorkspace;  // per-thread scratch of the grid search

// The results of one Approximate call. All times are in the unit of t;
// c5, c6, x0 stay in u (see lsq).
struct ExtremumResults {
  bool completed = false;  // false: returned early ("Number of points too small.")
  bool fitFailed = false;  // sigma T set to the failure value (interval width)
  bool outOfInterval = false;  // moment outside [c5, c6]: the four results are 9999
  double ExtremumTime = 0, ExtremumTimeSigma = 0;  // T, sigma T
  double ExtremumMag = 0, ExtremumMagSigma = 0;    // M, sigma M
  double Sigma2 = 0;                               // ResidualSum / (N - n), or 1e32
  double CoefSigma[kLsqDim] = {};                  // sigma(C_k), k = 1..n (9999 if undefined)
  // Duration of the central part (methods 5 to 9): D = c6 - c5 and its two
  // parts T - c5, c6 - T, in time; sigma D is 9999 where no error is defined.
  bool hasDuration = false;
  double EclipseDuration = 0, durationLeft = 0, durationRight = 0, EclipseDurationSigma = 0;
  double c5Time = 0, c6Time = 0;  // c5 and c6 mapped to time
  int FallbackFlag = 0;  // 1: spline, WSAP, NAV or Mik replaced by a simpler model
  double meanSignal = 0;         // mean of y over the interval
  bool isMinimum = false;        // M >= mean signal: a minimum of brightness
  bool degenerateAp = false;     // AP with both joins moving as one
  int corrections = 0;           // differential corrections made
};

struct ApproxState : ExtremumResults {
  ApproxState();
  ~ApproxState();
  ApproxState(const ApproxState&) = delete;
  ApproxState& operator=(const ApproxState&) = delete;

  // ---- Inputs ----
  // Set by the batch processing: no "out of the central interval" message.
  bool QuietOutOfInterval = false;
  // Threads of the grid search: 0 = as many as the machine has (the result
  // is the same bit for bit whatever the count), 1 = the calling thread only.
  int scanThreads = 0;

  // ---- Results of the last Approximate call (ExtremumResults) ----
  int method = 0;  // the method finally used (after fallbacks)

  // Moment (in u) of the last method-1 run with m = 3: the preliminary
  // parabola, used by BSK to reset x0.
  double parabolaMoment = 0;

  // ---- Residual map of the last grid search ----
  // map(i, j) for the c5 index i and the c6 index j in -100..100.
  std::vector<double> ResidualMap;
  double& Map(int i, int j) { return ResidualMap[(i + kMapHalf) * kMapSide + (j + kMapHalf)]; }
  double Map(int i, int j) const {
    return ResidualMap[(i + kMapHalf) * kMapSide + (j + kMapHalf)];
  }
  double mapMin = 0, mapMax = 0;  // smallest sum and largest accepted sum
  int mapBestI = 0, mapBestJ = 0;  // grid indices of the best point
  int mapRange = 100;              // r of the last grid: cells -r..r are in use
  // Grid values of the best point, kept for the resets of the engine.
  double gridC5 = 0, gridC6 = 0, gridX0 = 0;

  // Scratch of the grid search, kept between calls.
  std::vector<std::unique_ptr<ScanWorkspace>> scanWork;
  std::vector<std::int8_t> bestCentre;  // per cell: index of the best x0 (models 8, 9)
};

}  // namespace teril

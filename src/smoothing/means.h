// Bin mean, point mean and the statistics of errors (mean error, sigma
// statistics) of the visible points.
//
// "Visible" is the window of the plot: indices firstVisible..lastVisible;
// the error statistics also require tMin <= t <= tMax.
#pragma once

#include <string>
#include <vector>

#include "data/data_set.h"
#include "engine/fwd.h"
#include "smoothing/mean_state.h"

namespace teril {

// Error of the mean of c values with sum `sum` and sum of squares `sumSq`:
// sqrt(|sumSq/c - (sum/c)^2| / (c - 1)) for c > 1, else 0. The sums may be
// taken about any reference value (the result does not depend on it; sums
// about a value near the data keep the difference of squares accurate).
double ErrorOfMean(int c, double sum, double sumSq);

// Bins 1..m of the points first..last: b = trunc((t - tOrigin) * m /
// (2 halfWidth)) + 1, capped at m (a point at the right edge of the window
// falls into the last bin); points with b < 1 are left out. Each bin holds
// its count, mean t, mean x and ErrorOfMean of x. Index 0 unused.
// Preconditions: m >= 1, halfWidth > 0.
std::vector<MeanBin> ComputeBinMeans(const DataSet& d, int first, int last, double tOrigin,
                                     double halfWidth, int m);

// The bin mean of the visible points with NNH bins (NNH < 1 becomes 50 and
// stays so): "nnh=" at (0, 300), one record per non-empty bin appended to
// "_f4.dat" (mean t in tWidth:tDecimals, mean x 8:4, sigma 9:4,
// sigma*sqrt(c) 9:4, bin 3, count 4), and per bin its level as a bar of
// width 500 div NNH ending at column b*500 div NNH + 130, the yellow bin
// border and, for bins of more than one point, the +-sigma box. Keeps the
// bin table in engine.means. Does not wait: a menu command that runs inside
// the key wait (the scalegram mean) calls this after choosing NNH, or sets
// NNH and sends "~4" to have the whole key command run.
// Throws IoError when "_f4.dat" cannot be written.
void BinMean(Engine& e);

// ("~4") BinMean, then one key is read and consumed. -> Wrap
Continuation BinMeanKey(Engine& e);

// Name of the point-mean file: inputFile up to its first ".", "_", NNH and
// "mean.dat" ("star.dat", 8 -> "star_8mean.dat").
std::string PointMeanFileName(const std::string& inputFile, int nnh);

// ("~M") Means of consecutive groups of NNH points over the whole set (the
// last group may be shorter): a grey circle at each mean, its +-sigma bar,
// and one record per group appended to the point-mean file (mean t in
// tWidth:tDecimals, mean x and sigma in xWidth+3:xDecimals+2, count 5);
// then "Press any key to proceed" and a wait. -> Window
Continuation PointMeanKey(Engine& e);

// Statistics of the positive values e_i among `errors` (weights w_i =
// 1/e_i^2). The weights are summed relative to the largest one and the
// squares relative to the largest error, so that neither tiny nor huge
// errors overflow or vanish; sumW alone may be infinite.
struct ErrorSums {
  int count = 0;         // nj: values > 0
  double sumW = 0;       // sum of w
  double effective = 0;  // (sum w)^2 / sum w^2
  double harmonic = 0;   // sqrt(nj / sum w)
  double sum = 0;        // sum of e
  double rms = 0;        // sqrt(sum e^2 / nj)
};
ErrorSums SumErrors(const std::vector<double>& errors);

// (code 23) Statistics of the errors s of the visible points: " nj=",
// "<sig_h>=", "sig_a=", "sum_w=", "Neff=" in the status column; "No weights
// loaded" when the s column has not been read. -> Read
Continuation MeanErrorKey(Engine& e);

// ("W") The same with x holding the errors: " nj=", "<sig>_w=", "<sig>_1=",
// "<sig>_2=", "N_eff=". -> Read
Continuation SigmaStatisticsKey(Engine& e);

}  // namespace teril

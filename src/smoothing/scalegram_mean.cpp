#include "smoothing/scalegram_mean.h"

#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "smoothing/means.h"

namespace teril {

std::vector<ScaleRow> ScalegramMeanRows(const DataSet& d, int first, int last, double tOrigin,
                                        double halfWidth, int& best) {
  best = 0;
  std::vector<ScaleRow> rows;
  const int M = last - first + 1;
  if (M < 2 || !(halfWidth > 0)) return rows;
  double mean = 0;
  for (int i = first; i <= last; ++i) mean += d.x[i];
  mean /= M;
  const int K = M >= 201 ? 200 : M - 1;
  std::vector<int> count(K + 1);
  std::vector<double> sum(K + 1), sumSq(K + 1);
  double bestR = 0;
  for (int k = 1; k <= K; ++k) {
    std::fill(count.begin(), count.begin() + k + 1, 0);
    std::fill(sum.begin(), sum.begin() + k + 1, 0.0);
    std::fill(sumSq.begin(), sumSq.begin() + k + 1, 0.0);
    const double factor = k / (2 * halfWidth) / 1.000000000001;
    for (int i = first; i <= last; ++i) {
      // The bin number as a double first: a point far outside the window
      // must not overflow the integer.
      const double b = std::trunc((d.t[i] - tOrigin) * factor) + 1;
      if (!(b >= 1 && b <= k)) continue;
      const int bin = static_cast<int>(b);
      const double dev = d.x[i] - mean;
      ++count[bin];
      sum[bin] += dev;
      sumSq[bin] += dev * dev;
    }
    ScaleRow r;
    r.k = k;
    r.M = M;
    double total = 0, within = 0;
    for (int b = 1; b <= k; ++b) {
      if (count[b] == 0) continue;
      ++r.bins;
      const double m = sum[b] / count[b];
      total += m * m * count[b];
      within += sumSq[b] - m * m * count[b];
    }
    // At most k <= M - 1 bins hold points, so M - bins >= 1.
    r.sigmaW = std::sqrt(std::fabs(within) / (M - r.bins));
    r.E = std::sqrt(static_cast<double>(r.bins) / M) * r.sigmaW;
    r.S = std::sqrt(total / M);
    r.R = r.E > 0 ? r.S / r.E : 0;
    if (r.R > bestR) {
      bestR = r.R;
      best = k;
    }
    rows.push_back(r);
  }
  return rows;
}

std::string FormatScaleRow(const ScaleRow& r) {
  return Str(static_cast<long long>(r.k), 3) + Str(static_cast<long long>(r.bins), 4) + " " +
         Str(r.S, 9, 5) + " " + Str(r.sigmaW, 9, 5) + " " + Str(r.R, 9, 5) + " " + Str(r.E, 9, 5) +
         " " + Str(static_cast<double>(r.M), 5, 0);
}

void ScalegramMean(Engine& engine) {
  const ViewState& v = engine.view;
  int best = 0;
  const auto rows =
      ScalegramMeanRows(engine.data, v.firstVisible, v.lastVisible, v.tOrigin, v.halfWidth, best);
  std::string text;
  for (const ScaleRow& r : rows) text += FormatScaleRow(r) + "\n";
  WriteFile("_Scale.dat", text);
  engine.console.FileWritten("_Scale.dat");
  if (best > 0) engine.eph.NNH = best;
  // Drawn over the plot and filed in _f4.dat; the engine goes on waiting
  // for its key, and the next command redraws the plot.
  BinMean(engine);
}

}  // namespace teril

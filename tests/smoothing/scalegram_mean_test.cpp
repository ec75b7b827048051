// The scalegram mean: the rows against the two-pass split of the sum of
// squares into between-bin and within-bin parts, NNH at the best ratio.
#include "smoothing/scalegram_mean.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/io.h"
#include "engine/engine.h"
#include "smoothing/smoothing_fixture.h"

namespace teril {
namespace {

using testing::SmoothingTest;

// Signal and noise of k bins from their definitions: the bin of a point
// from the bin edges tOrigin + (b - 1) w, w = 2 halfWidth/k (shrunk by the
// same 1e-12 that keeps the right edge in the last bin), the mean of each
// bin, then the sums of squared deviations between and within the bins.
ScaleRow ByDefinition(const std::vector<double>& t, const std::vector<double>& x, int k,
                      double tOrigin, double halfWidth) {
  const int M = static_cast<int>(t.size());
  double mean = 0;
  for (double v : x) mean += v / M;
  std::vector<std::vector<double>> bins(k + 1);
  for (int i = 0; i < M; ++i) {
    const int b =
        static_cast<int>(std::floor((t[i] - tOrigin) * k / (2 * halfWidth) / 1.000000000001)) + 1;
    if (b >= 1 && b <= k) bins[b].push_back(x[i]);
  }
  double between = 0, within = 0;
  int used = 0;
  for (int b = 1; b <= k; ++b) {
    if (bins[b].empty()) continue;
    ++used;
    double m = 0;
    for (double v : bins[b]) m += v / bins[b].size();
    between += bins[b].size() * (m - mean) * (m - mean);
    for (double v : bins[b]) within += (v - m) * (v - m);
  }
  ScaleRow r;
  r.k = k;
  r.bins = used;
  r.M = M;
  r.S = std::sqrt(between / M);
  r.sigmaW = std::sqrt(within / (M - used));
  r.E = std::sqrt(static_cast<double>(used) / M) * r.sigmaW;
  r.R = r.E > 0 ? r.S / r.E : 0;
  return r;
}

class ScalegramMeanTest : public SmoothingTest {
 protected:
  void Window(double tOrigin, double halfWidth) {
    engine->view.tOrigin = tOrigin;
    engine->view.halfWidth = halfWidth;
  }
};

TEST_F(ScalegramMeanTest, TenVisiblePointsGiveNineRowsAndNNHAtTheLargestRatio) {
  // A step between t = 4 and 5 with a little alternating noise: two bins
  // split it best.
  std::vector<double> t, x;
  for (int i = 0; i < 10; ++i) {
    t.push_back(i);
    x.push_back((i >= 5 ? 1.0 : 0.0) + (i % 2 ? 0.1 : -0.1) + 0.01 * i);
  }
  Load(t, x);
  Window(0, 4.5);
  engine->eph.NNH = 33;
  ScalegramMean(*engine);
  auto lines = ReadLines("_Scale.dat");
  ASSERT_EQ(lines.size(), 9u);
  int best = 0;
  double bestR = 0;
  for (int k = 1; k <= 9; ++k) {
    const ScaleRow d = ByDefinition(t, x, k, 0, 4.5);
    if (d.R > bestR) bestR = d.R, best = k;
    EXPECT_EQ(lines[k - 1], FormatScaleRow(d)) << k;
  }
  EXPECT_EQ(best, 2);
  EXPECT_EQ(engine->eph.NNH, best);
  // The bin mean followed with two bins of five points each.
  const auto f4 = ReadLines("_f4.dat");
  ASSERT_EQ(f4.size(), 2u);
  EXPECT_EQ(f4[1].substr(f4[1].size() - 7), "  2   5");
}

TEST_F(ScalegramMeanTest, AConstantSignalLeavesNNHAlone) {
  // 0.1 is not exact in binary: the deviations from the mean are a tiny
  // rounding that must not pass for a signal without noise.
  for (double level : {7.0, 0.1}) {
    Load({0, 1, 2, 3, 4, 5}, std::vector<double>(6, level));
    Window(0, 2.5);
    engine->eph.NNH = 12;
    ScalegramMean(*engine);
    const auto lines = ReadLines("_Scale.dat");
    ASSERT_EQ(lines.size(), 5u);
    // k = 1: one bin of six points, nothing between or within.
    EXPECT_EQ(lines[0], "  1   1   0.00000   0.00000   0.00000   0.00000     6");
    EXPECT_EQ(engine->eph.NNH, 12) << level;
  }
}

TEST_F(ScalegramMeanTest, FewerThanTwoVisiblePointsWriteAnEmptyFile) {
  Load({3}, {1});
  Window(3, 1);
  ScalegramMean(*engine);
  EXPECT_TRUE(FileExists("_Scale.dat"));
  EXPECT_TRUE(ReadLines("_Scale.dat").empty());
}

}  // namespace
}  // namespace teril

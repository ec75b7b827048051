#include "periodicity/box_least_squares.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "periodicity/period_search.h"

namespace teril {
namespace {

struct Curve {
  std::vector<double> t, x;
};

// A space-telescope sector: a point every `cadence` days over `days` days
// with a gap of a day in the middle; relative flux 1 with noise `noise`
// and a box transit of depth `depth` and duration `duration` (days) every
// P days, centred at tc.
Curve Transit(double days, double cadence, double P, double tc, double depth, double duration,
              double noise, unsigned seed) {
  Curve c;
  std::mt19937 gen(seed);
  std::normal_distribution<double> e(0, noise);
  for (double t = 0; t < days; t += cadence) {
    if (std::fabs(t - days / 2) < 0.5) continue;
    const double ph = (t - tc) / P - std::floor((t - tc) / P + 0.5);
    c.t.push_back(2459000 + t);
    c.x.push_back(1 - (std::fabs(ph) * P < duration / 2 ? depth : 0) + e(gen));
  }
  return c;
}

// The score of every box written out: all points whose phase falls in
// [start, start + width) bins (wrapping), for every start and width.
double PlainBestScore(const Curve& c, double f, int nb, const std::vector<int>& widths) {
  const double first = c.t.front();
  const double n = static_cast<double>(c.t.size());
  double mean = 0;
  for (double x : c.x) mean += x / n;
  std::vector<int> bin;
  for (double t : c.t) {
    const double cycles = f * (t - first);
    bin.push_back(static_cast<int>((cycles - std::floor(cycles)) * nb));
  }
  double best = 0;
  for (int w : widths)
    for (int start = 0; start < nb; ++start) {
      double r = 0, s = 0;
      for (std::size_t j = 0; j < c.t.size(); ++j)
        if ((bin[j] - start + nb) % nb < w) {
          r += 1 / n;
          s += (c.x[j] - mean) / n;
        }
      if (r > 0 && r < 1) best = std::max(best, s * s / (r * (1 - r)));
    }
  return best;
}

TEST(BoxLeastSquares, AgreesWithEveryBoxWrittenOut) {
  const Curve c = Transit(5, 0.01, 1.3, 0.4, 0.02, 0.1, 0.003, 1);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x);
  PeriodSearchOptions o;
  o.shortestDuration = 0.02;
  o.longestDuration = 0.15;
  o.durations = 4;
  const int nb = BoxBins(o.shortestDuration);
  EXPECT_EQ(nb, 200);
  const std::vector<int> widths = BoxWidths(o, nb);
  EXPECT_EQ(widths, (std::vector<int>{4, 8, 15, 30}));  // 0.02 (0.15/0.02)^(i/3) of 200
  const FrequencyGrid g{0.5, 0.013, 60};
  PeriodSearchValues v;
  ASSERT_TRUE(ComputePeriodSearch(s, {}, g, PeriodogramMethod::Bls, o, v));
  for (long long k = 0; k < g.count; k += 7)
    ASSERT_NEAR(v.power[k], PlainBestScore(c, g.At(k), nb, widths) / s.yy, 1e-9) << k;
}

// A transit 1 % deep lasting 2 % of a 3.7-day period in noise of 0.4 %,
// sampled every 30 minutes for 27 days: the sinusoid's best peaks are the
// harmonics and their aliases; the box finds the period, and its depth,
// duration and first mid-time agree with the truth within their errors.
TEST(BoxLeastSquares, FindsAShallowTransitWithItsDepthDurationAndEpoch) {
  const double P = 3.7, tc = 1.234, depth = 0.01, duration = 0.02 * P;
  const Curve c = Transit(27, 1.0 / 48, P, tc, depth, duration, 0.004, 7);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x);
  const FrequencyGrid g{1 / 13.0, 1 / (200 * s.span),
                        static_cast<long long>((1 / 0.3 - 1 / 13.0) * 200 * s.span)};
  PeriodSearchOptions o;
  PeriodSearchValues box, ls;
  ASSERT_TRUE(ComputePeriodSearch(s, {}, g, PeriodogramMethod::Bls, o, box));
  ASSERT_TRUE(ComputePeriodSearch(s, {}, g, PeriodogramMethod::LombScargle, o, ls));
  const auto lsTop = HighestPeaks(ls.power, 1);
  EXPECT_GT(std::fabs(g.At(lsTop[0]) - 1 / P), 0.01);
  const auto peaks = ListPeriodSearchPeaks(s, {}, g, PeriodogramMethod::Bls, o, box, 3);
  ASSERT_FALSE(peaks.empty());
  const PeriodSearchPeak& p = peaks[0];
  EXPECT_NEAR(p.frequency, 1 / P, 2 * g.step);
  // Flux: a transit lowers x.
  EXPECT_LT(p.depth, 0);
  EXPECT_NEAR(-p.depth, depth, 3 * p.depthError);
  EXPECT_LT(p.depthError, 0.002);
  EXPECT_NEAR(p.duration, duration, p.durationError + 1.0 / 48);
  const double firstMid = 2459000 + tc;
  EXPECT_NEAR(p.t0, firstMid, p.t0Error + 1.0 / 48);
  // The share of the variance the box explains: d^2 q (1 - q) over that
  // plus the noise's variance, 1.96e-6 / (1.96e-6 + 1.6e-5) = 0.109.
  EXPECT_NEAR(p.power, 0.109, 0.02);
  // The per-frequency depth and time of the peak's grid frequency.
  EXPECT_NEAR(box.depth[p.index], -depth, 0.003);
  EXPECT_NEAR(box.t0[p.index], firstMid, 0.05);
}

TEST(BoxLeastSquares, FirstEventIsTheFirstAfterTheEarliestTime) {
  // Transits centred 0.05 days before the first point: the first whole
  // event after it is one period later.
  const double P = 2.0;
  const Curve c = Transit(10, 0.005, P, -0.05 + 0, 0.05, 0.2, 0.001, 3);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x);
  PeriodSearchOptions o;
  o.shortestDuration = 0.05;
  o.longestDuration = 0.2;
  const BoxFit fit = BoxFitAt(s, 1 / P, o);
  // A box centred before the first time cannot be the first at or after
  // it: the phase of its middle is taken in [0, 1).
  EXPECT_GE(fit.t0, c.t.front());
  EXPECT_NEAR(fit.t0, 2459000 - 0.05 + P, fit.resolution);
  EXPECT_NEAR(fit.duration, 0.2, fit.resolution);
}

TEST(BoxLeastSquares, ResultsDoNotDependOnTheThreadsAndOptionsAreChecked) {
  const Curve c = Transit(27, 1.0 / 48, 3.7, 1.234, 0.01, 0.07, 0.004, 9);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x);
  const FrequencyGrid g{0.1, 0.0005, 3000};
  PeriodSearchOptions o;
  PeriodSearchValues one, two;
  o.threads = 1;
  ASSERT_TRUE(ComputePeriodSearch(s, {}, g, PeriodogramMethod::Bls, o, one));
  o.threads = 2;
  ASSERT_TRUE(ComputePeriodSearch(s, {}, g, PeriodogramMethod::Bls, o, two));
  EXPECT_EQ(one.power, two.power);
  EXPECT_EQ(one.t0, two.t0);
  EXPECT_EQ(one.duration, two.duration);
  o.shortestDuration = 0.2;
  o.longestDuration = 0.1;
  EXPECT_FALSE(CheckPeriodSearch(PeriodogramMethod::Bls, o).empty());
  EXPECT_THROW(ComputePeriodSearch(s, {}, g, PeriodogramMethod::Bls, o, one),
               std::invalid_argument);
  o.longestDuration = 0.6;
  EXPECT_FALSE(CheckPeriodSearch(PeriodogramMethod::Bls, o).empty());
}

}  // namespace
}  // namespace teril

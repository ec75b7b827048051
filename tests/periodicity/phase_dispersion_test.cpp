#include "periodicity/phase_dispersion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "periodicity/period_search.h"

namespace teril {
namespace {

struct Curve {
  std::vector<double> t, x, w;
};

// The statistics written out from their definitions: every point's bin
// from floor(frac(f (t - t_first)) M), the bin means and the sums of
// squares about them.
struct Plain {
  double theta, aov;
};
Plain PlainStatistics(const Curve& c, double f, int M) {
  const double first = *std::min_element(c.t.begin(), c.t.end());
  const std::size_t n = c.t.size();
  double W = 0, mean = 0;
  for (std::size_t j = 0; j < n; ++j) {
    W += c.w[j];
    mean += c.w[j] * c.x[j];
  }
  mean /= W;
  std::vector<int> bin(n);
  std::vector<double> bw(M, 0.0), bx(M, 0.0);
  for (std::size_t j = 0; j < n; ++j) {
    const double cycles = f * (c.t[j] - first);
    bin[j] = static_cast<int>((cycles - std::floor(cycles)) * M);
    bw[bin[j]] += c.w[j];
    bx[bin[j]] += c.w[j] * c.x[j];
  }
  double total = 0, within = 0;
  for (std::size_t j = 0; j < n; ++j) {
    total += c.w[j] * (c.x[j] - mean) * (c.x[j] - mean) / W;
    const double d = c.x[j] - bx[bin[j]] / bw[bin[j]];
    within += c.w[j] * d * d / W;
  }
  const int m =
      static_cast<int>(std::count_if(bw.begin(), bw.end(), [](double v) { return v > 0; }));
  const double N = static_cast<double>(n);
  return {(within / (N - m)) / (total / (N - 1)),
          ((total - within) / (m - 1)) / (within / (N - m))};
}

// Nightly observations over `nights` nights.
std::vector<double> Nightly(int n, int nights, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> night(0, nights - 1);
  std::uniform_real_distribution<double> hour(-0.2, 0.2);
  std::vector<double> t(n);
  for (auto& v : t) v = 2456000 + night(gen) + hour(gen);
  std::sort(t.begin(), t.end());
  return t;
}

// An eclipsing binary of period P: eclipses 5 % of the period wide, the
// primary 0.8 mag deep at phase 0 and the secondary 0.1 mag at phase 0.5
// (magnitudes: eclipses raise x), each a "V" of that width.
double Eclipses(double t, double P) {
  const double ph = t / P - std::floor(t / P);
  auto dip = [](double d, double depth) {
    const double half = 0.025;
    return std::fabs(d) < half ? depth * (1 - std::fabs(d) / half) : 0.0;
  };
  return dip(ph > 0.5 ? ph - 1 : ph, 0.8) + dip(ph - 0.5, 0.1);
}

Curve Binary(int n, double P, double noise, unsigned seed) {
  Curve c;
  c.t = Nightly(n, 200, seed);
  std::mt19937 gen(seed + 1);
  std::normal_distribution<double> e(0, noise);
  std::uniform_real_distribution<double> err(0.01, 0.03);
  for (double t : c.t) {
    c.x.push_back(11 + Eclipses(t, P) + e(gen));
    c.w.push_back(1 / std::pow(err(gen), 2));
  }
  return c;
}

class PhaseDispersionOnSmallCases : public ::testing::TestWithParam<int> {};

TEST_P(PhaseDispersionOnSmallCases, AgreesWithTheDefinitions) {
  const int M = GetParam();
  Curve c;
  c.t = Nightly(40, 30, 3 + M);
  std::mt19937 gen(M);
  std::normal_distribution<double> e(0, 0.1);
  std::uniform_real_distribution<double> w(0.5, 4);
  for (double t : c.t) {
    c.x.push_back(std::sin(2.1 * t) + e(gen));
    c.w.push_back(w(gen));
  }
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  const FrequencyGrid g{0.05, 0.0137, 300};
  PeriodSearchOptions o;
  o.bins = M;
  PeriodSearchValues pdm, aov;
  ASSERT_TRUE(ComputePeriodSearch(s, {}, g, PeriodogramMethod::Pdm, o, pdm));
  ASSERT_TRUE(ComputePeriodSearch(s, {}, g, PeriodogramMethod::Aov, o, aov));
  for (long long k = 0; k < g.count; ++k) {
    const Plain p = PlainStatistics(c, g.At(k), M);
    ASSERT_NEAR(pdm.power[k], p.theta, 1e-9 * std::max(1.0, p.theta)) << k;
    ASSERT_NEAR(aov.power[k], p.aov, 1e-9 * std::max(1.0, p.aov)) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Bins, PhaseDispersionOnSmallCases, ::testing::Values(2, 5, 10, 17));

TEST(PhaseDispersion, IncompleteBetaMatchesClosedForms) {
  for (double x : {0.0, 0.01, 0.3, 0.5, 0.77, 0.999, 1.0}) {
    EXPECT_NEAR(IncompleteBeta(1, 1, x), x, 1e-14);
    EXPECT_NEAR(IncompleteBeta(3.5, 1, x), std::pow(x, 3.5), 1e-13);
    EXPECT_NEAR(IncompleteBeta(1, 4.5, x), 1 - std::pow(1 - x, 4.5), 1e-13);
    // I_x(2, 2) = 3x^2 - 2x^3.
    EXPECT_NEAR(IncompleteBeta(2, 2, x), 3 * x * x - 2 * x * x * x, 1e-13);
    EXPECT_NEAR(IncompleteBeta(700, 4.5, x) + IncompleteBeta(4.5, 700, 1 - x), 1, 1e-12);
  }
  // Small tails keep their relative precision: I_x(a, 1) = x^a.
  EXPECT_NEAR(IncompleteBeta(5000, 1, 0.99) / std::pow(0.99, 5000), 1, 1e-9);
  EXPECT_NEAR(FalseAlarmOfTrials(1e-12, 1000), 1e-9, 1e-15);
  EXPECT_EQ(FalseAlarmOfTrials(1, 10), 1);
}

// For pure noise the single-trial probability is uniform on [0, 1]: about
// a tenth of independent noise series fall below 0.1.
TEST(PhaseDispersion, SingleTrialProbabilityOfNoiseIsUniform) {
  std::mt19937 gen(5);
  std::normal_distribution<double> e(0, 1);
  int below10 = 0, below50 = 0;
  const int trials = 2000;
  const std::vector<double> t = Nightly(80, 60, 9);
  for (int i = 0; i < trials; ++i) {
    std::vector<double> x(t.size());
    for (auto& v : x) v = e(gen);
    const PeriodogramSeries s = PrepareSeries(t, x);
    const BinnedStatistic st = PhaseDispersionAt(s, 0.4321, 8);
    const double p = BinnedSingleTrialProbability(st.withinShare, 80, st.filledBins);
    below10 += p < 0.1;
    below50 += p < 0.5;
  }
  EXPECT_NEAR(below10, 0.1 * trials, 45);  // 3.4 sigma of a binomial
  EXPECT_NEAR(below50, 0.5 * trials, 80);
}

// Unequal eclipses 5 % wide: the sinusoid puts its power at twice the
// orbital frequency, PDM and AoV find the orbit.
TEST(PhaseDispersion, FindsTheEclipsingBinaryWhereTheSinusoidFindsHalfThePeriod) {
  const double P = 2.3456;
  const Curve c = Binary(600, P, 0.02, 21);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  const FrequencyGrid g{0.02, 1 / (20 * s.span), static_cast<long long>(1.5 * 20 * s.span)};
  PeriodSearchOptions o;
  o.bins = 40;  // the eclipses span two bins
  for (PeriodogramMethod m :
       {PeriodogramMethod::LombScargle, PeriodogramMethod::Pdm, PeriodogramMethod::Aov}) {
    PeriodSearchValues v;
    ASSERT_TRUE(ComputePeriodSearch(s, {}, g, m, o, v));
    const auto peaks = ListPeriodSearchPeaks(s, {}, g, m, o, v, 5);
    ASSERT_FALSE(peaks.empty());
    if (m == PeriodogramMethod::LombScargle) {
      EXPECT_NEAR(peaks[0].frequency, 2 / P, 2 * g.step);
      continue;
    }
    EXPECT_NEAR(peaks[0].frequency, 1 / P, g.step) << static_cast<int>(m);
    EXPECT_LT(peaks[0].falseAlarm, 1e-10);
    if (m == PeriodogramMethod::Pdm) {
      EXPECT_LT(peaks[0].power, 0.2);
    }
    // Half the mean of the deepest bin, which holds half the "V" of the
    // primary, 0.2 to 0.3 as the bins fall, a little more with the noise.
    EXPECT_NEAR(peaks[0].amplitude, 0.27, 0.07);
  }
}

TEST(PhaseDispersion, ResultsDoNotDependOnTheThreads) {
  const Curve c = Binary(3000, 2.3456, 0.02, 25);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  const FrequencyGrid g{0.02, 1 / (20 * s.span), 5000};
  for (PeriodogramMethod m : {PeriodogramMethod::Pdm, PeriodogramMethod::Aov}) {
    PeriodSearchOptions o;
    PeriodSearchValues one, two;
    o.threads = 1;
    ASSERT_TRUE(ComputePeriodSearch(s, {}, g, m, o, one));
    o.threads = 2;
    ASSERT_TRUE(ComputePeriodSearch(s, {}, g, m, o, two));
    EXPECT_EQ(one.power, two.power);
    EXPECT_EQ(one.amplitude, two.amplitude);
    o.progress = [](long long, long long) { return false; };
    EXPECT_FALSE(ComputePeriodSearch(s, {}, g, m, o, one));
  }
}

TEST(PhaseDispersion, BinsThatTellNothingGiveTheNeutralValues) {
  const double s0[] = {0.5, 0, 0.5, 0}, s1[] = {0.1, 0, -0.1, 0};
  // Two filled bins but only two points: no degrees of freedom within.
  BinnedStatistic st = BinnedFromSums(s0, s1, 4, 2, 0.04);
  EXPECT_EQ(st.theta, 1);
  EXPECT_EQ(st.aov, 0);
  // Three points in two bins: T = 0.06, B = 0.04, W = 0.02.
  st = BinnedFromSums(s0, s1, 4, 3, 0.06);
  EXPECT_NEAR(st.theta, (0.02 / 1) / (0.06 / 2), 1e-12);
  EXPECT_NEAR(st.aov, (0.04 / 1) / (0.02 / 1), 1e-12);
  EXPECT_NEAR(st.amplitude, 0.2, 1e-12);
}

}  // namespace
}  // namespace teril

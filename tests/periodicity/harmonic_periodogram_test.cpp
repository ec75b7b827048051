#include "periodicity/harmonic_periodogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "periodicity/period_search.h"

namespace teril {
namespace {

constexpr double kPi = std::numbers::pi;

// Nightly observations (one to three a night, a few hours either side of
// midnight) in seasons of 120 nights every 365 days.
std::vector<double> SurveyTimes(int n, int seasons, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> night(0, 119), season(0, seasons - 1);
  std::uniform_real_distribution<double> hour(-0.15, 0.15);
  std::vector<double> t(n);
  for (auto& v : t) v = 2455000 + 365.0 * season(gen) + night(gen) + hour(gen);
  std::sort(t.begin(), t.end());
  return t;
}

// An RR Lyrae-like sawtooth: a fast rise over 15 % of the cycle and a slow
// decline, of full range `range` (magnitudes: the maximum is the smallest x).
double Sawtooth(double t, double f, double range) {
  const double ph = t * f - std::floor(t * f);
  const double rise = 0.15;
  const double shape = ph < rise ? 1 - ph / rise : (ph - rise) / (1 - rise);
  return range * shape;
}

// Weighted least squares of x on a constant and K harmonics by the normal
// equations formed column by column and solved by Gaussian elimination:
// the power 1 - chi2 / chi2_0 without the product formulas.
double PlainHarmonicPower(const std::vector<double>& t, const std::vector<double>& x,
                          const std::vector<double>& w, double f, int K) {
  const int P = 2 * K + 1;
  std::vector<std::vector<double>> A(P, std::vector<double>(P + 1, 0.0));
  double W = 0, mean = 0;
  for (std::size_t j = 0; j < t.size(); ++j) {
    W += w[j];
    mean += w[j] * x[j];
  }
  mean /= W;
  for (std::size_t j = 0; j < t.size(); ++j) {
    std::vector<double> g(P + 1);
    g[0] = 1;
    for (int k = 1; k <= K; ++k) {
      g[2 * k - 1] = std::cos(2 * kPi * k * f * (t[j] - t[0]));
      g[2 * k] = std::sin(2 * kPi * k * f * (t[j] - t[0]));
    }
    g[P] = x[j];
    for (int a = 0; a < P; ++a)
      for (int b = 0; b <= P; ++b) A[a][b] += w[j] * g[a] * g[b];
  }
  for (int c = 0; c < P; ++c) {
    int pivot = c;
    for (int r = c + 1; r < P; ++r)
      if (std::fabs(A[r][c]) > std::fabs(A[pivot][c])) pivot = r;
    std::swap(A[c], A[pivot]);
    for (int r = 0; r < P; ++r) {
      if (r == c) continue;
      const double m = A[r][c] / A[c][c];
      for (int b = c; b <= P; ++b) A[r][b] -= m * A[c][b];
    }
  }
  double chi2 = 0, chi0 = 0;
  for (std::size_t j = 0; j < t.size(); ++j) {
    double model = A[0][P] / A[0][0];
    for (int k = 1; k <= K; ++k)
      model +=
          A[2 * k - 1][P] / A[2 * k - 1][2 * k - 1] * std::cos(2 * kPi * k * f * (t[j] - t[0])) +
          A[2 * k][P] / A[2 * k][2 * k] * std::sin(2 * kPi * k * f * (t[j] - t[0]));
    chi2 += w[j] * (x[j] - model) * (x[j] - model);
    chi0 += w[j] * (x[j] - mean) * (x[j] - mean);
  }
  return 1 - chi2 / chi0;
}

struct Curve {
  std::vector<double> t, x, w;
  std::vector<int> band;
};

// Sawtooth of frequency f plus Gaussian noise, weights 1/s^2 from errors
// drawn between 0.01 and 0.05.
Curve RrLyrae(int n, double f, double noise, unsigned seed) {
  Curve c;
  c.t = SurveyTimes(n, 3, seed);
  std::mt19937 gen(seed + 1);
  std::normal_distribution<double> e(0, noise);
  std::uniform_real_distribution<double> err(0.01, 0.05);
  for (double t : c.t) {
    c.x.push_back(14 + Sawtooth(t, f, 0.9) + e(gen));
    c.w.push_back(1 / std::pow(err(gen), 2));
  }
  return c;
}

std::vector<double> Compute(const PeriodogramSeries& s, std::span<const int> bands,
                            const FrequencyGrid& g, PeriodogramMethod m, PeriodSearchOptions o) {
  PeriodSearchValues v;
  EXPECT_TRUE(ComputePeriodSearch(s, bands, g, m, o, v));
  return v.power;
}

double BestFrequency(const std::vector<double>& v, const FrequencyGrid& g) {
  return g.At(std::max_element(v.begin(), v.end()) - v.begin());
}

TEST(HarmonicPeriodogram, AgreesWithTheNormalEquationsSolvedColumnByColumn) {
  const Curve c = RrLyrae(120, 1.7234, 0.03, 7);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  for (int K : {1, 2, 4, 6})
    for (double f : {0.37, 1.7234, 2.9, 7.77}) {
      const HarmonicFit fit = HarmonicFitAt(s, {}, f, {K, 0, false});
      EXPECT_NEAR(fit.power, PlainHarmonicPower(c.t, c.x, c.w, f, K), 1e-9) << K << " " << f;
    }
}

// K = 1 is method 1, on the direct and on the fast sums.
TEST(HarmonicPeriodogram, OneHarmonicIsTheLombScarglePower) {
  const Curve c = RrLyrae(300, 1.7234, 0.03, 11);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  const FrequencyGrid g{0, 1 / (10 * s.span), 4000};  // from f = 0 on
  PeriodSearchOptions o;
  o.harmonics = 1;
  for (SumsPath path : {SumsPath::Direct, SumsPath::Fast}) {
    o.path = path;
    const auto harmonic = Compute(s, {}, g, PeriodogramMethod::Harmonic, o);
    const auto ls = Compute(s, {}, g, PeriodogramMethod::LombScargle, o);
    for (long long k = 0; k < g.count; ++k) ASSERT_NEAR(harmonic[k], ls[k], 1e-10) << k;
  }
}

TEST(HarmonicPeriodogram, FastSumsAgreeWithTheDirectOnes) {
  const Curve c = RrLyrae(400, 1.7234, 0.03, 13);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  const FrequencyGrid g{0.05, 1 / (10 * s.span), 6000};
  PeriodSearchOptions o;
  o.harmonics = 3;
  o.path = SumsPath::Direct;
  const auto direct = Compute(s, {}, g, PeriodogramMethod::Harmonic, o);
  o.path = SumsPath::Fast;
  o.fastChunk = 1000;  // several chunks
  const auto fast = Compute(s, {}, g, PeriodogramMethod::Harmonic, o);
  for (long long k = 0; k < g.count; ++k) ASSERT_NEAR(direct[k], fast[k], 1e-5) << k;
}

// One band of the multiband model is the harmonic series: the band's own
// terms are a copy of the base terms, and the regularisation gives them
// nothing.
TEST(HarmonicPeriodogram, MultibandWithOneBandIsTheHarmonicSeries) {
  const Curve c = RrLyrae(250, 1.7234, 0.03, 17);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  const FrequencyGrid g{0.2, 1 / (10 * s.span), 1500};
  const std::vector<int> oneBand(c.t.size(), 3);
  PeriodSearchOptions o;
  for (SumsPath path : {SumsPath::Direct, SumsPath::Fast})
    for (int Kb : {0, 2}) {
      o.path = path;
      o.harmonics = 3;
      o.bandHarmonics = Kb;
      const auto harmonic = Compute(s, {}, g, PeriodogramMethod::Harmonic, o);
      const auto multi = Compute(s, oneBand, g, PeriodogramMethod::Multiband, o);
      for (long long k = 0; k < g.count; ++k) ASSERT_NEAR(multi[k], harmonic[k], 1e-10) << k;
    }
}

// A sparse survey in five bands, about 24 points per band over three
// seasons, each band with its own mean and amplitude. Pooled, the band
// offsets swamp the signal; the multiband model finds the period.
TEST(HarmonicPeriodogram, MultibandFindsThePeriodOfASparseSurvey) {
  const double f = 1.7234;
  const double offsets[] = {0.0, 0.8, -0.6, 1.3, 0.4}, scale[] = {1.3, 1.0, 0.8, 0.6, 0.5};
  Curve c;
  std::mt19937 gen(23);
  std::normal_distribution<double> e(0, 0.03);
  for (int b = 0; b < 5; ++b) {
    for (double t : SurveyTimes(24, 3, 100 + b)) {
      c.t.push_back(t);
      c.x.push_back(15 + offsets[b] + scale[b] * Sawtooth(t, f, 0.9) + e(gen));
      c.w.push_back(1);
      c.band.push_back(b);
    }
  }
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  const FrequencyGrid g{0.1, 1 / (10 * s.span), static_cast<long long>(4 * 10 * s.span)};
  PeriodSearchOptions o;
  o.harmonics = 3;
  o.bandHarmonics = 1;
  const auto ls = Compute(s, {}, g, PeriodogramMethod::LombScargle, o);
  const auto multi = Compute(s, c.band, g, PeriodogramMethod::Multiband, o);
  EXPECT_GT(std::fabs(BestFrequency(ls, g) - f), 0.01);
  EXPECT_NEAR(BestFrequency(multi, g), f, g.step);
  // Offsets alone give no power: the bands at their means.
  Curve flat = c;
  for (std::size_t j = 0; j < flat.x.size(); ++j) flat.x[j] = 15 + offsets[flat.band[j]];
  flat.x[0] += 1e-3;  // not quite constant in its band
  const PeriodogramSeries fs = PrepareSeries(flat.t, flat.x, flat.w);
  const HarmonicFit fit = HarmonicFitAt(fs, c.band, f, {3, 1, true});
  EXPECT_LT(fit.power, 0.5);
}

// Sixty nightly points of a noisy sawtooth (noise 0.2 of a range of 0.9):
// the sinusoid takes the one-day alias f + 1 = 1.5617; three harmonics
// find f.
TEST(HarmonicPeriodogram, HarmonicsFindTheSawtoothWhereOneSinusoidTakesAnAlias) {
  const double f = 0.5617;  // 1.78 days
  const Curve c = RrLyrae(60, f, 0.2, 26);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, {});
  const FrequencyGrid g{0.05, 1 / (10 * s.span), static_cast<long long>(3 * 10 * s.span)};
  PeriodSearchOptions o;
  o.harmonics = 3;
  const auto ls = Compute(s, {}, g, PeriodogramMethod::LombScargle, o);
  const auto harmonic = Compute(s, {}, g, PeriodogramMethod::Harmonic, o);
  const double lsBest = BestFrequency(ls, g);
  EXPECT_NEAR(lsBest, f + 1, g.step) << lsBest;
  EXPECT_NEAR(BestFrequency(harmonic, g), f, g.step);
  const auto peaks = ListPeriodSearchPeaks(s, {}, g, PeriodogramMethod::Harmonic, o,
                                           PeriodSearchValues{harmonic, harmonic, {}, {}, {}}, 3);
  ASSERT_FALSE(peaks.empty());
  EXPECT_NEAR(peaks[0].frequency, f, g.step / 2);
  EXPECT_NEAR(peaks[0].amplitude, 0.45, 0.12);  // half the range of the sawtooth
  EXPECT_LT(peaks[0].falseAlarm, 1e-3);
}

TEST(HarmonicPeriodogram, ResultsDoNotDependOnTheThreadsAndAStopIsReported) {
  const Curve c = RrLyrae(500, 1.7234, 0.03, 41);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  const FrequencyGrid g{0.05, 1 / (10 * s.span), 4000};
  std::vector<int> bands(c.t.size());
  for (std::size_t j = 0; j < bands.size(); ++j) bands[j] = static_cast<int>(j % 3);
  for (PeriodogramMethod m : {PeriodogramMethod::Harmonic, PeriodogramMethod::Multiband})
    for (SumsPath path : {SumsPath::Direct, SumsPath::Fast}) {
      PeriodSearchOptions o;
      o.path = path;
      o.bandHarmonics = 1;
      o.fastChunk = 1500;
      o.threads = 1;
      const auto one = Compute(s, bands, g, m, o);
      o.threads = 2;
      const auto two = Compute(s, bands, g, m, o);
      EXPECT_EQ(one, two);
      int calls = 0;
      o.progress = [&calls](long long, long long) { return ++calls < 2; };
      PeriodSearchValues v;
      EXPECT_FALSE(ComputePeriodSearch(s, bands, g, m, o, v));
    }
}

TEST(HarmonicPeriodogram, RefusesHarmonicsOutOfRangeAndBandsThatDoNotFit) {
  const Curve c = RrLyrae(50, 1.7234, 0.03, 43);
  const PeriodogramSeries s = PrepareSeries(c.t, c.x, c.w);
  const FrequencyGrid g{0.1, 0.01, 10};
  PeriodSearchValues v;
  PeriodSearchOptions o;
  o.harmonics = 7;
  EXPECT_THROW(ComputePeriodSearch(s, {}, g, PeriodogramMethod::Harmonic, o, v),
               std::invalid_argument);
  o.harmonics = 2;
  o.bandHarmonics = 3;
  EXPECT_FALSE(CheckPeriodSearch(PeriodogramMethod::Multiband, o).empty());
  o.bandHarmonics = 0;
  const std::vector<int> shortBands(10, 0);
  EXPECT_THROW(ComputePeriodSearch(s, shortBands, g, PeriodogramMethod::Multiband, o, v),
               std::invalid_argument);
}

}  // namespace
}  // namespace teril

#include "periodicity/periodogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

namespace teril {
namespace {

constexpr double kPi = std::numbers::pi;

// `n` times drawn uniformly from [t0, t0 + span], sorted.
std::vector<double> RandomTimes(int n, double t0, double span, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(0, span);
  std::vector<double> t(n);
  for (auto& v : t) v = t0 + u(gen);
  std::sort(t.begin(), t.end());
  return t;
}

// x = mean + A cos(2 pi f t + phi) at the given times.
std::vector<double> Sinusoid(const std::vector<double>& t, double mean, double A, double f,
                             double phi) {
  std::vector<double> x;
  for (double v : t) x.push_back(mean + A * std::cos(2 * kPi * f * v + phi));
  return x;
}

// The generalised Lomb-Scargle power written out as Zechmeister & Kürster
// (2009) give it, with the raw sums (their eqs. 5-14) and std::cos/sin at
// every frequency: Y, C, S and the products, then YY, YC, YS, CC, SS, CS.
struct Plain {
  double power, amplitude;
};
Plain PlainLombScargle(const std::vector<double>& t, const std::vector<double>& x,
                       const std::vector<double>& weights, double f) {
  double W = 0;
  for (double w : weights) W += w;
  double Y = 0, C = 0, S = 0, YYh = 0, YCh = 0, YSh = 0, CCh = 0, SSh = 0, CSh = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double w = weights[i] / W, arg = 2 * kPi * f * (t[i] - t[0]);
    const double c = std::cos(arg), s = std::sin(arg);
    Y += w * x[i];
    C += w * c;
    S += w * s;
    YYh += w * x[i] * x[i];
    YCh += w * x[i] * c;
    YSh += w * x[i] * s;
    CCh += w * c * c;
    SSh += w * s * s;
    CSh += w * c * s;
  }
  const double YY = YYh - Y * Y, YC = YCh - Y * C, YS = YSh - Y * S;
  const double CC = CCh - C * C, SS = SSh - S * S, CS = CSh - C * S;
  const double D = CC * SS - CS * CS;
  const double a = (YC * SS - YS * CS) / D, b = (YS * CC - YC * CS) / D;
  return {(SS * YC * YC + CC * YS * YS - 2 * CS * YC * YS) / (YY * D), std::hypot(a, b)};
}

FrequencyGrid Grid(double fLow, double fHigh, double oversampling, double span) {
  FrequencyGrid g{fLow, 1 / (oversampling * span), 0};
  g.count = static_cast<long long>(GridCount(fLow, fHigh, g.step));
  return g;
}

double MaxDifference(const std::vector<double>& a, const std::vector<double>& b) {
  double m = 0;
  for (std::size_t k = 0; k < a.size(); ++k) m = std::max(m, std::fabs(a[k] - b[k]));
  return m;
}

long long ArgMax(const std::vector<double>& v) {
  return std::max_element(v.begin(), v.end()) - v.begin();
}

TEST(Periodogram, PureSinusoidAtRandomTimesGivesItsFrequencyPowerAndAmplitude) {
  const double f0 = 0.3719, A = 0.42, phi = 1.1;
  const auto t = RandomTimes(300, 2450000.0, 100, 1);
  const auto x = Sinusoid(t, 12.5, A, f0, phi);
  const auto series = PrepareSeries(t, x);
  const auto grid = Grid(0, 2, 10, series.span);
  PeriodogramValues v;
  ASSERT_TRUE(DirectPeriodogram(series, grid, PeriodogramMethod::LombScargle, v));
  const long long k = ArgMax(v.power);
  const double f =
      grid.At(k) + grid.step * ParabolaVertexOffset(v.power[k - 1], v.power[k], v.power[k + 1]);
  EXPECT_LT(std::fabs(f - f0), 0.1 * grid.step);
  EXPECT_GT(v.power[k], 0.98);
  PeriodogramValues fast;
  ASSERT_TRUE(FastPeriodogram(series, grid, PeriodogramMethod::LombScargle, fast));
  EXPECT_EQ(ArgMax(fast.power), k);
  EXPECT_NEAR(fast.power[k], v.power[k], 1e-5);
  // At the true frequency the fit is exact: power 1, the semi-amplitude
  // and the phase of the sinusoid, seen from tRef: A cos(2 pi f0 tau + psi)
  // with psi = phi + 2 pi f0 tRef, so a = A cos psi, b = -A sin psi.
  const SineFit fit = FitAt(series, f0, PeriodogramMethod::LombScargle);
  EXPECT_NEAR(fit.power, 1.0, 1e-9);
  EXPECT_NEAR(fit.amplitude, A, 1e-9);
  const double psi = phi + 2 * kPi * std::fmod(f0 * series.tRef, 1.0);
  EXPECT_NEAR(fit.a, A * std::cos(psi), 1e-8);
  EXPECT_NEAR(fit.b, -A * std::sin(psi), 1e-8);
  EXPECT_NEAR(series.mean, 12.5, 0.05);
}

TEST(Periodogram, DirectSumsAgreeWithThePlainFormulaAtEveryFrequency) {
  // Over 40 anchor intervals, so that the rotation runs its whole length
  // many times; weights unequal; times far from zero.
  const auto t = RandomTimes(500, 2451234.5, 80, 3);
  std::mt19937 gen(7);
  std::normal_distribution<double> noise(0, 0.3);
  std::uniform_real_distribution<double> err(0.01, 0.1);
  std::vector<double> x = Sinusoid(t, 11, 0.2, 2.7, 0.3), w;
  for (auto& v : x) v += noise(gen);
  for (std::size_t i = 0; i < t.size(); ++i) w.push_back(1 / std::pow(err(gen), 2));
  const auto series = PrepareSeries(t, x, w);
  FrequencyGrid grid{0.01, 1 / (10 * series.span), 40 * kAnchorInterval};
  PeriodogramValues v;
  ASSERT_TRUE(DirectPeriodogram(series, grid, PeriodogramMethod::LombScargle, v));
  double worstPower = 0, worstAmplitude = 0;
  for (long long k = 0; k < grid.count; k += 7) {
    const Plain p = PlainLombScargle(t, x, w, grid.At(k));
    worstPower = std::max(worstPower, std::fabs(v.power[k] - p.power));
    worstAmplitude = std::max(worstAmplitude, std::fabs(v.amplitude[k] - p.amplitude));
  }
  EXPECT_LT(worstPower, 1e-10);
  EXPECT_LT(worstAmplitude, 1e-10);
}

TEST(Periodogram, EqualErrorsGiveTheUnweightedPeriodogram) {
  const auto t = RandomTimes(200, 100, 30, 4);
  const auto x = Sinusoid(t, 5, 1, 0.8, 0);
  const std::vector<double> w(t.size(), 1 / (0.05 * 0.05));
  const auto plain = PrepareSeries(t, x), weighted = PrepareSeries(t, x, w);
  const auto grid = Grid(0, 3, 5, plain.span);
  for (auto method : {PeriodogramMethod::LombScargle, PeriodogramMethod::Amplitude}) {
    PeriodogramValues a, b;
    ASSERT_TRUE(DirectPeriodogram(plain, grid, method, a));
    ASSERT_TRUE(DirectPeriodogram(weighted, grid, method, b));
    EXPECT_LT(MaxDifference(a.power, b.power), 1e-12);
    EXPECT_LT(MaxDifference(a.amplitude, b.amplitude), 1e-12);
  }
}

// Random data with nightly gaps and unequal weights; grids that start off
// the FFT's bins, an oversampling below 1 (times wrapped more than once),
// and a grid transformed in chunks of 333 frequencies.
class FastAgainstDirect : public ::testing::TestWithParam<
                              std::tuple<PeriodogramMethod, double, double, double, long long>> {};

TEST_P(FastAgainstDirect, PowerAgreesEverywhereAndTheHighestPeakIsTheSame) {
  const auto [method, fLow, fHigh, oversampling, chunk] = GetParam();
  std::vector<double> t = RandomTimes(1500, 2455000, 60, 8), x, w;
  for (auto& v : t)
    if (std::fmod(v, 1.0) > 0.4) v -= 0.4;  // nightly gaps
  std::sort(t.begin(), t.end());
  std::mt19937 gen(9);
  std::normal_distribution<double> noise(0, 1);
  std::uniform_real_distribution<double> err(0.5, 2);
  for (std::size_t i = 0; i < t.size(); ++i) {
    x.push_back(noise(gen));
    w.push_back(1 / std::pow(err(gen), 2));
  }
  const auto series = PrepareSeries(t, x, w);
  const auto grid = Grid(fLow, fHigh, oversampling, series.span);
  PeriodogramValues direct, fast;
  PeriodogramOptions o;
  o.fastChunk = chunk;
  ASSERT_TRUE(DirectPeriodogram(series, grid, method, direct));
  ASSERT_TRUE(FastPeriodogram(series, grid, method, fast, o));
  ASSERT_EQ(fast.power.size(), direct.power.size());
  EXPECT_LT(MaxDifference(fast.power, direct.power), 1e-5);  // 1e-3 is asked for
  EXPECT_EQ(ArgMax(fast.power), ArgMax(direct.power));
  const double scale = *std::max_element(direct.amplitude.begin(), direct.amplitude.end());
  for (std::size_t k = 0; k < fast.amplitude.size(); ++k)
    ASSERT_NEAR(fast.amplitude[k], direct.amplitude[k], 1e-3 * direct.amplitude[k] + 1e-6 * scale)
        << "frequency " << grid.At(static_cast<long long>(k));
}

INSTANTIATE_TEST_SUITE_P(
    Grids, FastAgainstDirect,
    ::testing::Values(std::make_tuple(PeriodogramMethod::LombScargle, 0.0, 12.0, 10.0, 0LL),
                      std::make_tuple(PeriodogramMethod::LombScargle, 0.1234, 5.0, 3.0, 333LL),
                      std::make_tuple(PeriodogramMethod::LombScargle, 2.0, 2.5, 0.7, 0LL),
                      std::make_tuple(PeriodogramMethod::Amplitude, 0.0, 12.0, 10.0, 0LL),
                      std::make_tuple(PeriodogramMethod::Amplitude, 7.77, 9.0, 4.0, 333LL)));

TEST(Periodogram, ThreadsDoNotChangeTheResult) {
  const auto t = RandomTimes(3000, 0, 20, 10);
  const auto series = PrepareSeries(t, Sinusoid(t, 0, 1, 3.3, 0.5));
  const auto grid = Grid(0, 10, 10, series.span);
  PeriodogramValues result[3];
  for (int threads = 1; threads <= 3; ++threads) {
    PeriodogramOptions o;
    o.threads = threads;
    ASSERT_TRUE(
        DirectPeriodogram(series, grid, PeriodogramMethod::LombScargle, result[threads - 1], o));
  }
  for (int i : {1, 2}) {
    EXPECT_EQ(result[i].power, result[0].power);
    EXPECT_EQ(result[i].amplitude, result[0].amplitude);
  }
}

TEST(Periodogram, AStopEndsBothMethodsAtOnce) {
  const auto t = RandomTimes(20000, 0, 100, 11);
  const auto series = PrepareSeries(t, Sinusoid(t, 0, 1, 3.3, 0.5));
  const auto grid = Grid(0, 50, 10, series.span);  // 50,000 frequencies
  for (bool fast : {false, true}) {
    int calls = 0;
    PeriodogramOptions o;
    o.progress = [&calls](long long done, long long total) {
      EXPECT_LE(done, total);
      return ++calls < 2;
    };
    PeriodogramValues v;
    EXPECT_FALSE(fast ? FastPeriodogram(series, grid, PeriodogramMethod::LombScargle, v, o)
                      : DirectPeriodogram(series, grid, PeriodogramMethod::LombScargle, v, o));
    EXPECT_EQ(calls, 2);  // nothing more after the "stop"
  }
}

TEST(Periodogram, RegularSamplingAtTheNyquistFrequencyFitsTheOneDirectionLeft) {
  // t = 0..19: at f = 1/2 every sine is 0, and x = 5 + 2 cos(pi t) is the
  // cosine exactly; at f = 0 the sinusoid is a constant and explains nothing.
  std::vector<double> t, x;
  for (int i = 0; i < 20; ++i) {
    t.push_back(i);
    x.push_back(5 + 2 * std::cos(kPi * i));
  }
  const auto series = PrepareSeries(t, x);
  const SineFit nyquist = FitAt(series, 0.5, PeriodogramMethod::LombScargle);
  EXPECT_NEAR(nyquist.power, 1.0, 1e-12);
  EXPECT_NEAR(nyquist.amplitude, 2.0, 1e-12);
  const SineFit zero = FitAt(series, 0.0, PeriodogramMethod::LombScargle);
  EXPECT_EQ(zero.power, 0.0);
  EXPECT_EQ(zero.amplitude, 0.0);
}

TEST(Periodogram, GridHelpersWorkedByHand) {
  EXPECT_DOUBLE_EQ(MedianSpacing(std::vector<double>{7, 0, 1, 3, 1}), 2.0);   // gaps 1 2 4
  EXPECT_DOUBLE_EQ(MedianSpacing(std::vector<double>{0, 1, 3, 6, 10}), 2.5);  // 1 2 3 4
  EXPECT_DOUBLE_EQ(MedianSpacing(std::vector<double>{4, 4, 4}), 0.0);
  EXPECT_EQ(GridCount(0, 1, 0.1), 11);  // both ends, though 0.1 is not exact
  EXPECT_EQ(GridCount(0, 1.05, 0.1), 11);
  EXPECT_EQ(GridCount(0, 1e9, 1), 1e9 + 1);
  // Maxima: index 1 (3), the plateau 3-4 (5, counted once at 3), the end 6
  // (4, above its neighbour); index 0 is below its neighbour.
  const std::vector<double> v{0, 3, 1, 5, 5, 2, 4};
  EXPECT_EQ(HighestPeaks(v, 10), (std::vector<long long>{3, 6, 1}));
  EXPECT_EQ(HighestPeaks(v, 2), (std::vector<long long>{3, 6}));
  EXPECT_EQ(HighestPeaks(std::vector<double>{2, 1, 2}, 5), (std::vector<long long>{0, 2}));
  // y = -(u - 0.3)^2 at u = -1, 0, 1; three values on a line have no top.
  EXPECT_NEAR(ParabolaVertexOffset(-1.69, -0.09, -0.49), 0.3, 1e-12);
  EXPECT_EQ(ParabolaVertexOffset(1, 2, 3), 0.0);
  // Capacity 4 for 10 values: runs of 3 -> {1 9 2} {3 3 8} {0 7 1} {4}.
  const std::vector<double> e{1, 9, 2, 3, 3, 8, 0, 7, 1, 4};
  EXPECT_EQ(MaxEnvelope(e, 4), (std::vector<long long>{1, 5, 7, 9}));
  EXPECT_EQ(MaxEnvelope(e, 10).size(), 10u);
}

TEST(Periodogram, BaluevFalseAlarmWorkedByHand) {
  // n = 5, p = 0.5, W = 10: single = 0.5^1 = 0.5; Gamma(2) / Gamma(3/2) =
  // 2 / sqrt(pi); tau = 10 (2 / sqrt(pi)) 0.5^(1/2) 0.5^(1/2) = 10 / sqrt(pi);
  // FAP = 1 - 0.5 exp(-10 / sqrt(pi)) = 0.99822...
  EXPECT_NEAR(BaluevFalseAlarm(0.5, 5, 10), 1 - 0.5 * std::exp(-10 / std::sqrt(kPi)), 1e-14);
  EXPECT_EQ(BaluevFalseAlarm(0.9, 3, 10), 1.0);
  EXPECT_EQ(BaluevFalseAlarm(0.0, 100, 10), 1.0);
  EXPECT_EQ(BaluevFalseAlarm(1.0, 100, 10), 0.0);
}

// Baluev (2008) in his own variables: z = N_H p / 2,
//   Pr_single(z) = (1 - 2z/N_H)^(N_K/2),
//   tau(z) = gamma_H W (1 - 2z/N_H)^((N_K - 1)/2) sqrt(z),
//   gamma_H = sqrt(2/N_H) Gamma(N_H/2) / Gamma((N_H - 1)/2),
// W = f_max sqrt(4 pi D_t). The ratio of gamma functions is built up from
// Gamma(1)/Gamma(1/2) = 1/sqrt(pi) or Gamma(3/2)/Gamma(1) = sqrt(pi)/2 by
// Gamma(a + 1) = a Gamma(a), so that large N does not overflow.
double GammaRatio(double a) {  // Gamma(a) / Gamma(a - 1/2), a a multiple of 1/2
  double r = std::fmod(a, 1.0) == 0 ? 1 / std::sqrt(kPi) : std::sqrt(kPi) / 2;
  for (double b = std::fmod(a, 1.0) == 0 ? 1 : 1.5; b < a; b += 1) r *= b / (b - 0.5);
  return r;
}

class BaluevTable : public ::testing::TestWithParam<std::tuple<long long, double, double>> {};

TEST_P(BaluevTable, MatchesTheFormulaInBaluevsVariables) {
  const auto [n, fMax, z] = GetParam();
  const double Dt = 100.0 * 100.0 / 12;  // 100 days evenly covered
  const double W = fMax * std::sqrt(4 * kPi * Dt);
  const double NH = n - 1, NK = n - 3;
  const double single = std::pow(1 - 2 * z / NH, NK / 2);
  const double gammaH = std::sqrt(2 / NH) * GammaRatio(NH / 2);
  const double tau = gammaH * W * std::pow(1 - 2 * z / NH, (NK - 1) / 2) * std::sqrt(z);
  // 1 - (1 - single) e^-tau; when both are small its expansion
  // single + tau - single tau, which keeps the digits that the subtraction
  // from 1 would lose (the next terms are of order tau^2).
  const double expected =
      single + tau < 1e-6 ? single + tau - single * tau : 1 - (1 - single) * std::exp(-tau);
  const double got = BaluevFalseAlarm(2 * z / NH, n, BaluevBandwidth(0, fMax, Dt));
  EXPECT_NEAR(got / expected, 1.0, 1e-9) << got << " vs " << expected;
}

INSTANTIATE_TEST_SUITE_P(
    SeveralCases, BaluevTable,
    ::testing::Values(std::make_tuple(10LL, 1.0, 2.0), std::make_tuple(10LL, 10.0, 3.5),
                      std::make_tuple(51LL, 5.0, 8.0), std::make_tuple(200LL, 50.0, 12.0),
                      std::make_tuple(1001LL, 50.0, 30.0), std::make_tuple(20000LL, 50.0, 60.0)));

}  // namespace
}  // namespace teril

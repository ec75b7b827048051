#include "periodicity/prewhitening.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace teril {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kT0 = 2459000;  // the phases of the made-up signals refer to this time

struct TrueTerm {
  double f, A, phi;  // cycles per day, mag, cycles at kT0
};

std::vector<double> Signal(const std::vector<double>& t, const std::vector<TrueTerm>& terms,
                           double mean) {
  std::vector<double> x;
  for (double v : t) {
    double y = mean;
    for (const TrueTerm& s : terms) y += s.A * std::sin(2 * kPi * (s.f * (v - kT0) + s.phi));
    x.push_back(y);
  }
  return x;
}

void AddNoise(std::vector<double>& x, double sigma, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> noise(0, sigma);
  for (double& v : x) v += noise(gen);
}

// Every 10 minutes over 60 days, less a gap of 10 days in the middle, 30 %
// of the days missing at random and a random 6-hour hole in each day kept.
std::vector<double> GappedTimes(unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<double> t;
  for (int day = 0; day < 60; ++day) {
    const bool lost = u(gen) < 0.3;
    const double hole = u(gen) * 18 / 24;
    if (lost || (day >= 25 && day < 35)) continue;
    for (int slot = 0; slot < 144; ++slot) {
      const double frac = slot / 144.0;
      if (frac >= hole && frac < hole + 0.25) continue;
      t.push_back(kT0 + day + frac);
    }
  }
  return t;
}

// Phase difference a - b in cycles, folded into -0.5 .. 0.5.
double PhaseGap(double a, double b) { return a - b - std::nearbyint(a - b); }

// Ten frequencies from 20 to 0.5 mmag: f5 = f1 + f2 and f9 = f2 - f1 are
// combinations, f3 and f4 a pair 0.035 c/d apart that only a span longer
// than 1.5 / 0.035 = 43 days resolves (this one spans 60 days). White
// noise of 5 mmag on about 3800 points leaves a mean amplitude of
// sqrt(pi / N) sigma = 0.14 mmag in the residual spectrum, so that every
// frequency down to 1 mmag has an S/N of 7 or more, and the last, 0.5 mmag
// (S/N near 3.5), may or may not be found.
const std::vector<TrueTerm> kTen{
    {5.2117, 0.020, 0.10},  {7.4389, 0.014, 0.70},  {9.8731, 0.010, 0.30},  {9.9081, 0.007, 0.55},
    {12.6506, 0.004, 0.90}, {3.1453, 0.003, 0.20},  {14.2781, 0.002, 0.45}, {11.0427, 0.0015, 0.65},
    {2.2272, 0.001, 0.05},  {19.2345, 0.0005, 0.35}};

TEST(Prewhitening, FindsTheTenFrequenciesAboveTheNoise) {
  const std::vector<double> t = GappedTimes(17);
  std::vector<double> x = Signal(t, kTen, 8.5);
  AddNoise(x, 0.005, 23);
  const MultiSineData data = PrepareMultiSine(t, x);
  PrewhiteningOptions options;
  options.fHigh = 25;
  FrequencyList list;
  const PrewhiteningOutcome outcome = Prewhiten(data, list, options);
  EXPECT_EQ(outcome.end, PrewhiteningEnd::BelowSnr);
  const double noise = std::sqrt(kPi / static_cast<double>(t.size())) * 0.005;
  std::vector<bool> found(kTen.size(), false);
  std::vector<int> number(kTen.size(), 0);  // 1-based place in the list
  for (const FrequencyTerm& term : list.terms) {
    // Not spurious: each found frequency is one of the ten, within three
    // of its errors in frequency, amplitude and phase.
    auto it = std::min_element(kTen.begin(), kTen.end(), [&](const TrueTerm& a, const TrueTerm& b) {
      return std::abs(a.f - term.value.frequency) < std::abs(b.f - term.value.frequency);
    });
    const std::size_t k = static_cast<std::size_t>(it - kTen.begin());
    EXPECT_FALSE(found[k]) << "twice: " << it->f;
    found[k] = true;
    number[k] = static_cast<int>(&term - list.terms.data()) + 1;
    EXPECT_LT(std::abs(term.value.frequency - it->f), 3 * term.sigma.frequency) << it->f;
    EXPECT_LT(std::abs(term.value.amplitude - it->A), 3 * term.sigma.amplitude) << it->f;
    const double phaseAtZero = it->phi + it->f * (list.tZero - kT0);
    EXPECT_LT(std::abs(PhaseGap(term.value.phase, phaseAtZero)), 3 * term.sigma.phase) << it->f;
    EXPECT_GE(term.snr, options.stopSnr * 0.8) << it->f;
  }
  for (std::size_t k = 0; k < kTen.size(); ++k)
    if (kTen[k].A / noise > 5) {
      EXPECT_TRUE(found[k]) << kTen[k].f;
    }
  EXPECT_EQ(list.steps.size(), list.terms.size());
  // The two combinations are named after the numbers their parents got;
  // the other frequencies (chosen clear of every low-order combination)
  // carry no label.
  auto f = [&](int k) { return "f" + std::to_string(number[k]); };
  for (std::size_t k = 0; k < kTen.size(); ++k) {
    if (!found[k]) continue;
    const std::string& label = list.terms[number[k] - 1].label;
    if (k == 4)
      EXPECT_EQ(label, f(0) + "+" + f(1));
    else if (k == 8)
      EXPECT_EQ(label, f(1) + "-" + f(0));
    else
      EXPECT_EQ(label, "") << kTen[k].f;
  }
}

// On evenly spread times and white noise the errors from the covariance of
// the fit agree with Montgomery & O'Donoghue's formulas (which assume just
// that) within 20 %.
TEST(Prewhitening, ErrorsAgreeWithMontgomeryAndODonoghue) {
  std::mt19937 gen(99);
  std::uniform_real_distribution<double> u(0, 40);
  std::vector<double> t(3000);
  for (double& v : t) v = kT0 + u(gen);
  std::sort(t.begin(), t.end());
  const std::vector<TrueTerm> terms{
      {1.7311, 0.030, 0.2}, {4.4172, 0.012, 0.6}, {6.0913, 0.006, 0.9}, {8.8234, 0.003, 0.4}};
  std::vector<double> x = Signal(t, terms, 11.2);
  AddNoise(x, 0.004, 5);
  const MultiSineData data = PrepareMultiSine(t, x);
  PrewhiteningOptions options;
  options.fHigh = 12;
  FrequencyList list;
  Prewhiten(data, list, options);
  ASSERT_EQ(list.terms.size(), 4u);
  for (const FrequencyTerm& term : list.terms) {
    EXPECT_NEAR(term.sigma.frequency / term.analytic.frequency, 1, 0.2) << term.value.frequency;
    EXPECT_NEAR(term.sigma.amplitude / term.analytic.amplitude, 1, 0.2) << term.value.frequency;
    EXPECT_NEAR(term.sigma.phase / term.analytic.phase, 1, 0.2) << term.value.frequency;
  }
  // sigma_A = sqrt(2/N) sigma_res, worked with the noise put in.
  EXPECT_NEAR(list.terms[0].analytic.amplitude, std::sqrt(2.0 / 3000) * 0.004, 0.05 * 7.3e-5);
}

// Noise-free, the fit gives back the signal to rounding, with the phase at
// the weighted mean time.
TEST(Prewhitening, NoiseFreeSignalIsRecoveredWithThePhaseAtTheWeightedMeanTime) {
  std::vector<double> t, w;
  for (int i = 0; i < 400; ++i) {
    t.push_back(kT0 + 0.05 * i + 0.01 * std::sin(i));
    w.push_back(i < 100 ? 4.0 : 1.0);
  }
  const std::vector<TrueTerm> terms{{1.23, 0.1, 0.3}, {3.71, 0.04, 0.8}};
  const std::vector<double> x = Signal(t, terms, 5);
  const MultiSineData data = PrepareMultiSine(t, x, w);
  double sw = 0, swt = 0;
  for (int i = 0; i < 400; ++i) {
    sw += w[i];
    swt += w[i] * t[i];
  }
  EXPECT_NEAR(data.tZero, swt / sw, 1e-9);
  PrewhiteningOptions options;
  options.fHigh = 8;
  options.maxFrequencies = 2;
  FrequencyList list;
  EXPECT_EQ(Prewhiten(data, list, options).end, PrewhiteningEnd::ListFull);
  ASSERT_EQ(list.terms.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    const SineTerm& v = list.terms[k].value;
    EXPECT_NEAR(v.frequency, terms[k].f, 1e-9);
    EXPECT_NEAR(v.amplitude, terms[k].A, 1e-9);
    EXPECT_NEAR(PhaseGap(v.phase, terms[k].phi + terms[k].f * (data.tZero - kT0)), 0, 1e-9);
    EXPECT_GE(v.phase, 0);
    EXPECT_LT(v.phase, 1);
  }
  EXPECT_NEAR(list.mean, 5, 1e-10);
  EXPECT_LT(list.residualRms, 1e-10);
  for (double v : {kT0 + 1.1, kT0 + 17.3})
    EXPECT_NEAR(PrewhiteningModel(list, v), Signal({v}, terms, 5)[0], 1e-10);
}

// A stop between steps keeps the frequencies of the finished steps, the
// same as a run that was to find no more; a stop inside a step leaves the
// list untouched.
TEST(Prewhitening, StopKeepsTheListOfTheLastFinishedStep) {
  const std::vector<double> t = GappedTimes(3);
  std::vector<double> x = Signal(t, kTen, 8.5);
  AddNoise(x, 0.005, 4);
  const MultiSineData data = PrepareMultiSine(t, x);
  PrewhiteningOptions options;
  options.fHigh = 25;
  FrequencyList stopped;
  const PrewhiteningOutcome out =
      Prewhiten(data, stopped, options, [](long long done, long long total) {
        EXPECT_EQ(total, 20);
        return done < 3;
      });
  EXPECT_EQ(out.end, PrewhiteningEnd::Stopped);
  options.maxFrequencies = 3;
  FrequencyList three;
  EXPECT_EQ(Prewhiten(data, three, options).end, PrewhiteningEnd::ListFull);
  ASSERT_EQ(stopped.terms.size(), 3u);
  ASSERT_EQ(stopped.steps.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(stopped.terms[k].value.frequency, three.terms[k].value.frequency);
    EXPECT_EQ(stopped.terms[k].snr, three.terms[k].snr);
  }
  options.maxFrequencies = 20;
  const std::vector<SineTerm> before = stopped.Values();
  const StepResult r =
      AddHighestPeak(data, stopped, options, [](long long, long long) { return false; });
  EXPECT_EQ(r.status, StepStatus::Stopped);
  ASSERT_EQ(stopped.terms.size(), 3u);
  EXPECT_EQ(stopped.steps.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k)
    EXPECT_EQ(stopped.terms[k].value.amplitude, before[k].amplitude);
}

// Step by step: two peaks added, a made-up third frequency added and
// removed again gives back the two-frequency fit.
TEST(Prewhitening, StepsAddFitAndRemove) {
  std::mt19937 gen(8);
  std::uniform_real_distribution<double> u(0, 20);
  std::vector<double> t(800);
  for (double& v : t) v = kT0 + u(gen);
  const std::vector<TrueTerm> terms{{2.5, 0.05, 0.1}, {6.25, 0.02, 0.4}};
  std::vector<double> x = Signal(t, terms, 3);
  AddNoise(x, 0.002, 9);
  const MultiSineData data = PrepareMultiSine(t, x);
  PrewhiteningOptions options;
  options.fHigh = 10;
  FrequencyList list;
  ASSERT_EQ(AddHighestPeak(data, list, options).status, StepStatus::Done);
  ASSERT_EQ(AddHighestPeak(data, list, options).status, StepStatus::Done);
  ASSERT_EQ(list.terms.size(), 2u);
  EXPECT_NEAR(list.terms[0].value.frequency, 2.5, 3 * list.terms[0].sigma.frequency);
  EXPECT_NEAR(list.terms[1].value.frequency, 6.25, 3 * list.terms[1].sigma.frequency);
  EXPECT_GT(list.terms[1].snr, 20);
  // 6.25 = 2.5 f1 is no whole multiple of f1: no label.
  EXPECT_EQ(list.terms[1].label, "");
  const FrequencyList two = list;
  ASSERT_EQ(AddFrequency(data, list, options, 4.1).status, StepStatus::Done);
  ASSERT_EQ(list.terms.size(), 3u);
  EXPECT_LT(list.terms[2].snr, 4);   // noise
  EXPECT_EQ(list.steps.size(), 2u);  // not a step of the search
  EXPECT_EQ(RemoveFrequency(data, list, options, 4).status, StepStatus::Refused);
  ASSERT_EQ(RemoveFrequency(data, list, options, 3).status, StepStatus::Done);
  ASSERT_EQ(list.terms.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_NEAR(list.terms[k].value.frequency, two.terms[k].value.frequency,
                1e-3 * two.terms[k].sigma.frequency);
    EXPECT_NEAR(list.terms[k].value.amplitude, two.terms[k].value.amplitude,
                1e-3 * two.terms[k].sigma.amplitude);
  }
  ASSERT_EQ(FitAll(data, list, options).status, StepStatus::Done);
  EXPECT_NEAR(list.terms[0].value.frequency, two.terms[0].value.frequency,
              1e-3 * two.terms[0].sigma.frequency);
  // Removing the first renumbers the second.
  ASSERT_EQ(RemoveFrequency(data, list, options, 1).status, StepStatus::Done);
  ASSERT_EQ(list.terms.size(), 1u);
  EXPECT_NEAR(list.terms[0].value.frequency, 6.25, 0.01);
}

// Points with large errors are nearly ignored: with weights 1/s^2 the
// corrupted tenth of the points moves the amplitude by less than its
// error; without weights it adds 0.1 x 0.1 = 0.01 to it, about ten times
// sqrt(2/N) rms with the rms near sqrt(0.1 / 2) 0.1 = 0.022.
TEST(Prewhitening, WeightsDiscountPointsWithLargeErrors) {
  std::mt19937 gen(12);
  std::uniform_real_distribution<double> u(0, 30);
  std::vector<double> t(1000);
  for (double& v : t) v = kT0 + u(gen);
  const std::vector<TrueTerm> terms{{3.3, 0.05, 0.25}};
  std::vector<double> x = Signal(t, terms, 0);
  AddNoise(x, 0.002, 13);
  std::vector<double> w(t.size(), 1 / (0.002 * 0.002));
  for (std::size_t j = 0; j < t.size(); j += 10) {
    x[j] += 0.1 * std::sin(2 * kPi * (3.3 * (t[j] - kT0) + 0.25));  // twice the signal
    w[j] = 1 / (2.0 * 2.0);
  }
  PrewhiteningOptions options;
  options.fHigh = 6;
  options.maxFrequencies = 1;
  FrequencyList weighted, plain;
  Prewhiten(PrepareMultiSine(t, x, w), weighted, options);
  Prewhiten(PrepareMultiSine(t, x), plain, options);
  ASSERT_EQ(weighted.terms.size(), 1u);
  ASSERT_EQ(plain.terms.size(), 1u);
  EXPECT_LT(std::abs(weighted.terms[0].value.amplitude - 0.05),
            2 * weighted.terms[0].sigma.amplitude);
  EXPECT_GT(std::abs(plain.terms[0].value.amplitude - 0.05), 5 * plain.terms[0].sigma.amplitude);
}

// Bad input gets a reason and changes nothing.
struct BadOptions {
  const char* what;
  PrewhiteningOptions options;
  const char* reason;  // the start of the message
};

class RefusedOptions : public ::testing::TestWithParam<BadOptions> {};

TEST_P(RefusedOptions, AreRefusedWithTheirReason) {
  std::vector<double> t;
  for (int i = 0; i < 50; ++i) t.push_back(0.1 * i);
  const std::vector<double> x = Signal(t, {{1, 1, 0}}, 0);
  const MultiSineData data = PrepareMultiSine(t, x);
  const std::string why = CheckPrewhitening(data, GetParam().options);
  EXPECT_EQ(why.rfind(GetParam().reason, 0), 0u) << why;
  FrequencyList list;
  const StepResult r = AddHighestPeak(data, list, GetParam().options);
  EXPECT_EQ(r.status, StepStatus::Refused);
  EXPECT_EQ(r.message, why);
  EXPECT_TRUE(list.terms.empty());
  EXPECT_FALSE(list.fitted);
  EXPECT_EQ(Prewhiten(data, list, GetParam().options).end, PrewhiteningEnd::Refused);
  EXPECT_TRUE(list.terms.empty());
}

PrewhiteningOptions With(double fLow, double fHigh, double oversampling, int maxFrequencies = 20,
                         double stopSnr = 4, double noiseBox = 2) {
  PrewhiteningOptions o;
  o.fLow = fLow;
  o.fHigh = fHigh;
  o.oversampling = oversampling;
  o.maxFrequencies = maxFrequencies;
  o.stopSnr = stopSnr;
  o.noiseBox = noiseBox;
  return o;
}

// The span is 4.9: 1e9 cycles per unit of t at oversampling 10 would be
// 4.9e10 frequencies.
INSTANTIATE_TEST_SUITE_P(
    Prewhitening, RefusedOptions,
    ::testing::Values(BadOptions{"negative", With(-1, 5, 10), "the lowest frequency"},
                      BadOptions{"empty range", With(5, 5, 10), "the highest frequency"},
                      BadOptions{"oversampling", With(0, 5, 0), "the oversampling"},
                      BadOptions{"grid", With(0, 1e9, 10),
                                 "the grid would have 49000000001 frequencies"},
                      BadOptions{"none", With(0, 5, 10, 0), "\"Frequencies at most\""},
                      BadOptions{"too many", With(0, 5, 10, 201), "\"Frequencies at most\""},
                      BadOptions{"snr", With(0, 5, 10, 20, -1), "\"Stop at S/N\""},
                      BadOptions{"box", With(0, 5, 10, 20, 4, 0), "\"Noise box\""}),
    [](const auto& info) {
      std::string name = info.param.what;
      std::replace(name.begin(), name.end(), ' ', '_');
      return name;
    });

// Eight points hold the mean and two frequencies (7 parameters) but not a
// third (10): the loop ends there, and a step is refused.
TEST(Prewhitening, TooFewPointsForMoreFrequencies) {
  std::vector<double> t;
  for (int i = 0; i < 8; ++i) t.push_back(0.37 * i + 0.05 * i * i);
  std::vector<double> x = Signal(t, {{0.4, 1, 0.1}, {1.1, 0.5, 0.3}, {0.8, 0.3, 0.6}}, 0);
  const MultiSineData data = PrepareMultiSine(t, x);
  PrewhiteningOptions options;
  options.fHigh = 1.5;
  options.stopSnr = 0;
  FrequencyList list;
  const PrewhiteningOutcome out = Prewhiten(data, list, options);
  EXPECT_EQ(out.end, PrewhiteningEnd::TooFewPoints);
  EXPECT_EQ(out.message,
            "too few points: 8 points for the 10 parameters of 3 frequencies and the mean");
  ASSERT_EQ(list.terms.size(), 2u);
  const std::vector<SineTerm> before = list.Values();
  const StepResult r = AddHighestPeak(data, list, options);
  EXPECT_EQ(r.status, StepStatus::Refused);
  EXPECT_EQ(r.message, out.message);
  ASSERT_EQ(list.terms.size(), 2u);
  EXPECT_EQ(list.terms[1].value.frequency, before[1].frequency);
  const MultiSineData four = PrepareMultiSine(std::span(t).first(4), std::span(x).first(4));
  EXPECT_EQ(CheckPrewhitening(four, options),
            "too few points: 4 points for the 4 parameters of 1 frequency and the mean");
}

}  // namespace
}  // namespace teril

#include "periodicity/spectral_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "periodicity/prewhitening.h"
#include "periodicity/prewhitening_text.h"
#include "periodicity/sin_cos_batch.h"

namespace teril {
namespace {

constexpr double kPi = std::numbers::pi;

// N equal weights at t_j = t0 + j dt: |sum exp(2 pi i f t_j)| / N is the
// Dirichlet kernel |sin(pi f N dt) / (N sin(pi f dt))|, 1 at multiples of
// 1 / dt. Only the fraction r of f dt matters (N times a whole number of
// half cycles changes no modulus), and taking it first keeps the ratio
// exact next to those multiples.
double Dirichlet(double f, int n, double dt) {
  const double r = f * dt - std::nearbyint(f * dt);
  if (std::abs(r) < 1e-12) return 1;
  return std::abs(std::sin(kPi * n * r) / (n * std::sin(kPi * r)));
}

TEST(SpectralWindow, RegularSamplingIsTheDirichletKernel) {
  const int n = 100;
  const double dt = 0.1;
  std::vector<double> t;
  for (int j = 0; j < n; ++j) t.push_back(2450000.3 + j * dt);
  const PeriodogramSeries series = WindowSeries(t);
  ASSERT_EQ(CheckSpectralGrid(series.span, 0, 25, 10, kMaxSpectrumFrequencies), "");
  const FrequencyGrid grid = SpectralGrid(series.span, 0, 25, 10);
  // df = 1 / (10 x 9.9) = 1 / 99; the last frequency within 25 (which
  // itself is on the grid up to the rounding of the times).
  EXPECT_NEAR(grid.step, 1.0 / 99, 1e-12);
  EXPECT_NEAR(static_cast<double>(grid.count), 2476, 1);
  EXPECT_LE(grid.At(grid.count - 1), 25 + 1e-9);
  EXPECT_GT(grid.At(grid.count), 25 - 1e-6);
  std::vector<double> w;
  ASSERT_TRUE(SpectralWindow(series, grid, w));
  ASSERT_EQ(w.size(), static_cast<std::size_t>(grid.count));
  double worst = 0;
  for (long long k = 0; k < grid.count; ++k)
    worst = std::max(worst, std::abs(w[k] - Dirichlet(grid.At(k), n, dt)));
  // The direct sums: exact but for the rounding of the times themselves
  // (2e-10 days at JD 2450000, up to 4e-8 radians at f = 25).
  EXPECT_LT(worst, 1e-7);
  EXPECT_NEAR(w[0], 1, 1e-12);
  EXPECT_NEAR(w[990], 1, 1e-7);  // f = 10 = 1 / dt: the alias of 0

  // 3000 points over the same span at 200,000 frequencies: the fast
  // method, within a few 1e-6.
  std::vector<double> dense;
  for (int j = 0; j < 3000; ++j) dense.push_back(2450000.3 + j * 0.0033);
  const PeriodogramSeries many = WindowSeries(dense);
  const FrequencyGrid wide{0, 0.01, 200000};
  ASSERT_TRUE(SpectralWindow(many, wide, w));
  worst = 0;
  for (long long k = 0; k < wide.count; k += 7)
    worst = std::max(worst, std::abs(w[k] - Dirichlet(wide.At(k), 3000, 0.0033)));
  EXPECT_LT(worst, 1e-5);
}

// With weights: W(0) = 1 and the direct weighted sum elsewhere; the grid
// computed in parts agrees with the whole.
TEST(SpectralWindow, WeightedWindowAgreesWithTheDirectSum) {
  std::vector<double> t, wt;
  for (int j = 0; j < 300; ++j) {
    t.push_back(10 + j * 0.37 + 0.1 * std::sin(j * 1.7));
    wt.push_back(1 + (j % 5));
  }
  const PeriodogramSeries series = WindowSeries(t, wt);
  const FrequencyGrid grid = SpectralGrid(series.span, 0, 4, 5);
  std::vector<double> w;
  ASSERT_TRUE(SpectralWindow(series, grid, w));
  double total = 0;
  for (double v : wt) total += v;
  for (long long k : {0LL, 17LL, 400LL, grid.count - 1}) {
    std::complex<double> sum = 0;
    for (std::size_t j = 0; j < t.size(); ++j)
      sum += wt[j] * std::polar(1.0, 2 * kPi * grid.At(k) * t[j]);
    EXPECT_NEAR(w[k], std::abs(sum) / total, 1e-6) << k;
  }
  std::vector<double> part;
  ASSERT_TRUE(SpectralWindow(series, {grid.At(400), grid.step, 50}, part));
  for (int i = 0; i < 50; ++i) EXPECT_NEAR(part[i], w[400 + i], 1e-9);
  // A stop is reported.
  EXPECT_FALSE(SpectralWindow(series, grid, w, [](long long, long long) { return false; }));
}

TEST(SpectralWindow, GridChecks) {
  EXPECT_EQ(CheckSpectralGrid(0, 0, 1, 10, 1e8), "the points span no time");
  EXPECT_EQ(CheckSpectralGrid(10, -0.5, 1, 10, 1e8), "the lowest frequency must not be negative");
  EXPECT_EQ(CheckSpectralGrid(10, 1, 1, 10, 1e8), "the highest frequency must be above the lowest");
  EXPECT_EQ(CheckSpectralGrid(10, 0, 1, -2, 1e8), "the oversampling must be above 0");
  // 100 / (1 / 100) + 1 = 10001 frequencies.
  EXPECT_EQ(CheckSpectralGrid(10, 0, 100, 10, 10001), "");
  EXPECT_EQ(CheckSpectralGrid(10, 0, 100, 10, 10000),
            "the grid would have 10001 frequencies, more than 10000; narrow the range or lower "
            "the oversampling");
}

// The labels of a list, each among the unlabelled frequencies before it.
std::vector<std::string> Labels(const std::vector<double>& f, double resolution) {
  std::vector<std::string> labels;
  for (std::size_t k = 0; k < f.size(); ++k)
    labels.push_back(CombinationLabel(f, labels, k, resolution, 10, 2));
  return labels;
}

struct LabelCase {
  const char* name;
  std::vector<double> frequencies;
  double resolution;
  std::vector<std::string> labels;
};

class CombinationLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(CombinationLabels, NameTheLowestOrderMatch) {
  EXPECT_EQ(Labels(GetParam().frequencies, GetParam().resolution), GetParam().labels);
}

INSTANTIATE_TEST_SUITE_P(
    Prewhitening, CombinationLabels,
    ::testing::Values(
        LabelCase{"sum", {5, 7, 12.004}, 0.01, {"", "", "f1+f2"}},
        LabelCase{"difference", {5, 7, 1.997}, 0.01, {"", "", "f2-f1"}},
        LabelCase{"harmonic", {5, 10.004}, 0.01, {"", "2f1"}},
        LabelCase{"beyond_resolution", {5, 10.02}, 0.01, {"", ""}},
        LabelCase{"tenth_harmonic", {5, 50.003, 55}, 0.01, {"", "10f1", ""}},
        LabelCase{"twice_the_first_less", {5, 7, 3}, 0.01, {"", "", "2f1-f2"}},
        LabelCase{"twice_the_second_less", {5, 7, 9}, 0.01, {"", "", "2f2-f1"}},
        LabelCase{"twice_the_second_plus", {5, 7, 19}, 0.01, {"", "", "f1+2f2"}},
        LabelCase{"twice_each", {5, 7, 24}, 0.01, {"", "", "2f1+2f2"}},
        LabelCase{"numbers_of_the_list", {1.1, 5, 7, 12}, 0.01, {"", "", "", "f2+f3"}},
        // f3 carries a label, so 19 is f1 + 2 f2, not f2 + f3.
        LabelCase{"labelled_no_parent", {5, 7, 12, 19}, 0.01, {"", "", "f1+f2", "f1+2f2"}},
        // 6.004 is 2 f1 (miss 0.004) and f2 - f1 (miss 0.002): the harmonic
        // of the same order wins; 9.006 misses 3 f1 by more than 0.005.
        LabelCase{"harmonic_first", {3, 9.006, 6.004}, 0.005, {"", "", "2f1"}},
        // 10.003 is 2 f2 - f1 to rounding (order 3) and 2 f1 within 0.003
        // (order 2): the lower order wins over the closer.
        LabelCase{"lower_order_first", {5, 7.5015, 10.003}, 0.005, {"", "", "2f1"}}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<std::string> Fields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// The files read back to the values written, column by column.
TEST(PrewhiteningText, FrequencyAndStepFilesReadBack) {
  FrequencyList list;
  list.tZero = 2459012.5;
  FrequencyTerm a;
  a.value = {5.211688255189971, 0.019841456236963, 0.6035873837356};
  a.sigma = {4.99833e-05, 1.12594e-04, 9.1223e-04};
  a.snr = 149.337;
  FrequencyTerm b = a;
  b.value.frequency = 12.65;
  b.snr = 7.284;
  b.label = "f1+f2";
  list.terms = {a, b};
  list.steps = {{5.2117, 0.0200820513, 0.00159181, 12.616}};
  const std::vector<std::string> lines = Lines(FrequenciesFileText(list));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Fields(lines[0]).front(), "number");
  EXPECT_NE(lines[0].find("t0 = 2459012.5"), std::string::npos);
  const std::vector<std::string> f = Fields(lines[2]);
  ASSERT_EQ(f.size(), 9u);
  EXPECT_EQ(f[0], "2");
  const double expected[] = {b.value.frequency, b.sigma.frequency, b.value.amplitude,
                             b.sigma.amplitude, b.value.phase,     b.sigma.phase};
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(*ParseNumber(f[1 + i]), expected[i], 1e-14 * std::abs(expected[i])) << i;
  EXPECT_EQ(f[7], "7.28");
  EXPECT_EQ(f[8], "f1+f2");
  EXPECT_EQ(Fields(lines[1]).back(), "-");

  const std::vector<std::string> steps = Lines(PrewhiteningStepsFileText(list));
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0], "step frequency amplitude noise S/N");
  const std::vector<std::string> s = Fields(steps[1]);
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(*ParseNumber(s[1]), 5.2117);
  EXPECT_NEAR(*ParseNumber(s[3]), 0.00159181, 1e-18);
  EXPECT_EQ(s[4], "12.62");
}

TEST(PrewhiteningText, WindowLinesCarryTheirGridFrequencies) {
  const FrequencyGrid grid{0.5, 0.25, 100};
  const std::vector<double> values{0.75, 0.125};
  EXPECT_EQ(WindowFileHeader(), "frequency window\n");
  const std::vector<std::string> lines = Lines(WindowFileLines(grid, values, 10));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], Sci23(3.0) + " " + Sci23(0.75));
  EXPECT_EQ(lines[1], Sci23(3.25) + " " + Sci23(0.125));
}

// Against the library's sine and cosine of the reduced phase: phases near
// every quarter and eighth of a cycle (where the reduction switches),
// negative ones, and phases of a million cycles; odd counts test the lanes'
// tail.
TEST(SinCosCyclesBatch, AgreesWithTheLibrary) {
  std::vector<double> x;
  for (int q = -8; q <= 8; ++q)
    for (double d : {-1e-13, 0.0, 1e-13, 0.01, -0.01}) x.push_back(q / 8.0 + d);
  for (int i = 0; i < 5001; ++i) x.push_back(-3.7 + i * 0.0013717);
  for (int i = 0; i < 101; ++i) x.push_back(1.0e6 + i * 0.1234567);
  std::vector<double> s(x.size()), c(x.size());
  SinCosCyclesBatch(x.data(), x.size(), s.data(), c.data());
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double r = x[i] - std::nearbyint(x[i]);  // exact
    EXPECT_NEAR(s[i], std::sin(2 * kPi * r), 5e-16) << x[i];
    EXPECT_NEAR(c[i], std::cos(2 * kPi * r), 5e-16) << x[i];
  }
  // Exact values at the quarters.
  const double quarters[] = {0, 0.25, 0.5, 0.75, -0.25};
  double qs[5], qc[5];
  SinCosCyclesBatch(quarters, 5, qs, qc);
  EXPECT_EQ(qs[0], 0);
  EXPECT_EQ(qc[0], 1);
  EXPECT_EQ(qs[1], 1);
  EXPECT_EQ(qc[2], -1);
  EXPECT_EQ(qs[3], -1);
  EXPECT_EQ(qs[4], -1);
}

}  // namespace
}  // namespace teril

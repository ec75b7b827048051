// Methods 3 to 6 of the periodogram command: the dialog's extra fields as
// the console mode reads them, the peak tables and the file.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/terminal_host.h"
#include "engine/engine.h"
#include "periodicity/periodogram.h"
#include "periodicity/periodogram_command_fixture.h"
#include "periodicity/periodogram_command.h"
#include "periodicity/periodogram_dialog.h"

namespace teril {
namespace {

double FracPart(double v) { return v - std::floor(v); }

// The console mode: the five fields of methods 3 to 7 take lines only when
// the method is one of them, so that a script of methods 1 and 2 keeps its
// five lines.
TEST(PeriodogramConsoleAnswers, TheLastFiveFieldsTakeLinesOnlyForMethodsThreeToSeven) {
  struct Case {
    std::string script;
    std::vector<std::string> values;  // the ten fields afterwards
  };
  const Case cases[] = {
      {"0.1\n5\n\n2\n4\nNEXT\n", {"0.1", "5", "10", "2", "4", "3", "0", "10", "0.01", "0.1"}},
      {"\n\n\n5\n\n2\n\n20\n\n\nNEXT\n",
       {"0", "1", "10", "5", "10", "2", "0", "20", "0.01", "0.1"}},
      {"\n\n\n7\n\n\n\n\n0.02\n0.2\nNEXT\n",
       {"0", "1", "10", "7", "10", "3", "0", "10", "0.02", "0.2"}},
      {"\n\n\n8\n\nNEXT\n",  // no such method: nothing more is asked
       {"0", "1", "10", "8", "10", "3", "0", "10", "0.01", "0.1"}}};
  for (const Case& c : cases) {
    std::istringstream in(c.script);
    std::ostringstream out;
    TerminalHost host(in, out);
    std::vector<DialogField> fields = PeriodogramFields(1);
    ASSERT_TRUE(host.EditFields("Periodogram", "Periodogram", fields));
    std::vector<std::string> values;
    for (const DialogField& f : fields) values.push_back(f.value);
    EXPECT_EQ(values, c.values) << c.script;
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, "NEXT") << c.script;
  }
}

// A sawtooth x = frac(f0 t) is the Fourier series sum_k sin(2 pi k f0 t) /
// (pi k): K harmonics explain the share sum_{k<=K} 1/k^2 / (pi^2/6) of its
// variance.
class HarmonicSawtoothTest : public PeriodogramCommandTest,
                             public ::testing::WithParamInterface<int> {};

TEST_P(HarmonicSawtoothTest, PowerAtThePeriodIsTheShareOfTheHarmonics) {
  const int K = GetParam();
  const double f0 = 0.7;
  std::mt19937 gen(11);
  std::uniform_real_distribution<double> u(0, 50);
  std::vector<double> t(3000), x;
  for (auto& v : t) v = u(gen);
  std::sort(t.begin(), t.end());
  for (double v : t) x.push_back(FracPart(f0 * v));
  Load(t, x);
  // The five extra answers are read; "Bins" is not used by method 3, so
  // its text does not matter.
  dialogs.fieldAnswers = {
      {"", "2", "", "3", "3", Str(static_cast<long long>(K)), "", "abc", "", ""}};
  RunPeriodogramCommand(*engine);
  ASSERT_TRUE(host.messages.empty()) << host.messages[0];
  EXPECT_TRUE(host.Logged("Method 3: Fourier series of " + Str(static_cast<long long>(K)) +
                          (K == 1 ? " harmonic" : " harmonics")));
  double share = 0;
  for (int k = 1; k <= K; ++k) share += 1.0 / (k * k);
  share /= std::numbers::pi * std::numbers::pi / 6;
  const auto peak = FirstPeak();  // rank, f, P, power, semi-amplitude, FAP
  ASSERT_EQ(peak.size(), 6u);
  const double df = 1 / (10 * Span());
  EXPECT_LT(std::fabs(peak[1] - f0), 0.1 * df);
  EXPECT_NEAR(peak[3], share, 0.01);
  EXPECT_LT(peak[5], 1e-100);
  // The data set is the power; the file has the three columns.
  EXPECT_NEAR(engine->data.x[engine->view.j], share, 0.01);
  const auto lines = ReadLines("star_periodogram.dat");
  EXPECT_EQ(lines[0], "frequency power semi-amplitude");
  EXPECT_EQ(lines[1].size(), 3 * 23 + 2u);
}

INSTANTIATE_TEST_SUITE_P(Harmonics, HarmonicSawtoothTest, ::testing::Values(1, 2, 4));

// Two bands with their own offsets: method 4 removes each band's mean,
// method 3 counts the offsets as variance it cannot explain: the share of
// the sinusoid, (A^2/2) / (A^2/2 + 0.5^2), is left.
TEST_F(PeriodogramCommandTest, Method4TakesTheBandsFromTheObserverColumn) {
  const double f0 = 1.3, A = 0.3;
  LoadSinusoid(800, 40, f0, A, 5);
  for (int i = 1; i <= engine->data.n; ++i) {
    engine->data.observer[i] = ObserverCode(i % 2 ? "V" : "B");
    engine->data.x[i] += i % 2 ? 0.5 : -0.5;
  }
  const std::vector<double> x(&engine->data.x[1], &engine->data.x[800] + 1);
  const std::vector<double> t(&engine->data.t[1], &engine->data.t[800] + 1);
  dialogs.fieldAnswers = {{"", "3", "", "4", "", "1"}};
  RunPeriodogramCommand(*engine);
  EXPECT_TRUE(host.Logged("Bands (observer codes): V B"));
  EXPECT_TRUE(host.LoggedPart("Method 4: multi-band Fourier series of 1 harmonic"));
  auto peak = FirstPeak();
  ASSERT_EQ(peak.size(), 6u);
  EXPECT_NEAR(peak[1], f0, 1e-3);
  EXPECT_GT(peak[3], 0.999);

  Load(t, x);  // the same light curve, all in one band for method 3
  host.log.clear();
  dialogs.fieldAnswers = {{"", "3", "", "3", "", "1"}};
  RunPeriodogramCommand(*engine);
  peak = FirstPeak();
  ASSERT_EQ(peak.size(), 6u);
  EXPECT_NEAR(peak[3], (A * A / 2) / (A * A / 2 + 0.25), 0.03);
}

// Phase dispersion of the triangle x = |frac(f0 t) - 1/2|, whose values
// spread evenly over 0 .. 1/2 (variance (1/2)^2 / 12): with the phases
// counted from t = 0, M bins (M even) each hold a ramp of width 1/M,
// variance (1/M)^2 / 12, so theta = 4/M^2 (on a grid fine enough that the
// phases hardly drift over the span).
TEST_F(PeriodogramCommandTest, PdmListsTheMinimaOfTheta) {
  const double f0 = 0.7;
  const int M = 10;
  std::mt19937 gen(12);
  std::uniform_real_distribution<double> u(0, 50);
  std::vector<double> t(2000), x;
  for (auto& v : t) v = u(gen);
  t[0] = 0;
  std::sort(t.begin(), t.end());
  for (double v : t) x.push_back(std::fabs(FracPart(f0 * v) - 0.5));
  Load(t, x);
  const double theta = 4.0 / (M * M);
  dialogs.fieldAnswers = {{"", "2", "100", "5", "3", "", "", Str(static_cast<long long>(M))}};
  RunPeriodogramCommand(*engine);
  EXPECT_TRUE(host.Logged("Method 5: phase dispersion minimisation, 10 bins"));
  EXPECT_TRUE(host.LoggedPart("#  frequency  period  theta  semi-amplitude  false-alarm"));
  const auto peak = FirstPeak("Lowest minima:");
  ASSERT_EQ(peak.size(), 6u);
  EXPECT_NEAR(peak[1], f0, 1e-3);
  EXPECT_NEAR(peak[3], theta, 0.1 * theta);
  EXPECT_LT(peak[5], 1e-100);
  // The three rows rise in theta; the data set holds theta, the current
  // point on its lowest value.
  auto it = std::find(host.log.begin(), host.log.end(), "Lowest minima:");
  double previous = -1;
  for (int row = 2; row <= 4; ++row) {
    std::istringstream fields(*(it + row));
    double rank, f, p, theta;
    fields >> rank >> f >> p >> theta;
    EXPECT_GE(theta, previous);
    previous = theta;
  }
  const DataSet& d = engine->data;
  EXPECT_EQ(std::min_element(&d.x[1], &d.x[d.n] + 1) - &d.x[0], engine->view.j);
  EXPECT_NEAR(d.x[engine->view.j], theta, 0.1 * theta);
}

// The weights 1/s^2: points with small errors follow 0.5 per day, points
// with large errors a stronger wave at 1.7 per day; weighted, the first
// wins for every method.
class WeightedMethodTest : public PeriodogramCommandTest,
                           public ::testing::WithParamInterface<int> {};

TEST_P(WeightedMethodTest, ErrorsWeightThePoints) {
  const int method = GetParam();
  std::vector<double> t, x, s;
  TwoWaves(600, t, x, s);
  for (bool weighted : {true, false}) {
    Load(t, x, weighted ? s : std::vector<double>{});
    host.log.clear();
    // From 0.3: the subharmonics of 1.7 below it do not compete.
    dialogs.fieldAnswers = {{"0.3", "2.5", "", Str(static_cast<long long>(method)), "1"}};
    RunPeriodogramCommand(*engine);
    const auto peak = FirstPeak(method == 5 ? "Lowest minima:" : "Highest peaks:");
    ASSERT_GE(peak.size(), 2u);
    EXPECT_NEAR(peak[1], weighted ? 0.5 : 1.7, 0.01) << method << " " << weighted;
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, WeightedMethodTest, ::testing::Values(3, 5, 6));

TEST_F(PeriodogramCommandTest, AStopInMethod5LeavesTheDataSetAndNoFile) {
  LoadSinusoid(3000, 100, 1.1, 1);
  const double x1 = engine->data.x[1];
  host.stopAtProgress = 0;
  dialogs.fieldAnswers = {{"", "20", "", "5"}};
  RunPeriodogramCommand(*engine);
  EXPECT_TRUE(host.Logged("Periodogram stopped: the data set is unchanged"));
  EXPECT_FALSE(host.progress.empty());
  EXPECT_EQ(engine->data.n, 3000);
  EXPECT_EQ(engine->data.x[1], x1);
  EXPECT_FALSE(FileExists("star_periodogram.dat"));
}

// Methods 1 and 2 write the file exactly as before: each line the
// frequency, the power and the semi-amplitude in the 23-character form.
TEST_F(PeriodogramCommandTest, TheFileOfMethods1And2IsTheFormattedValues) {
  for (const PeriodogramMethod method :
       {PeriodogramMethod::LombScargle, PeriodogramMethod::Amplitude}) {
    LoadSinusoid(300, 30, 0.9, 0.4, 6);
    const DataSet& d = engine->data;
    const std::vector<double> t(&d.t[1], &d.t[300] + 1), x(&d.x[1], &d.x[300] + 1);
    const PeriodogramSeries series = PrepareSeries(t, x);
    FrequencyGrid grid{0.1, 1 / (10 * series.span), 0};
    grid.count = static_cast<long long>(GridCount(0.1, 1.5, grid.step));
    PeriodogramValues v;
    ASSERT_TRUE(DirectPeriodogram(series, grid, method, v));
    std::string expected = "frequency power semi-amplitude\n";
    for (long long k = 0; k < grid.count; ++k)
      expected += Sci23(grid.At(k)) + " " + Sci23(v.power[k]) + " " + Sci23(v.amplitude[k]) + "\n";
    dialogs.fieldAnswers = {{"0.1", "1.5", "", Str(static_cast<long long>(method))}};
    RunPeriodogramCommand(*engine);
    EXPECT_EQ(ReadText("star_periodogram.dat"), expected);
  }
}

}  // namespace
}  // namespace teril

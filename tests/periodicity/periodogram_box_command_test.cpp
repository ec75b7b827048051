// Method 7 of the periodogram command, box least squares: its peak table
// and file, and key code 16 and the ephemeris dialog after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/key_loop.h"
#include "engine/engine.h"
#include "periodicity/fourier_command.h"
#include "periodicity/periodogram_command_fixture.h"
#include "periodicity/periodogram_command.h"

namespace teril {
namespace {

double FracPart(double v) { return v - std::floor(v); }

// Box eclipses 0.3 deep (a rise in magnitudes) lasting 0.125 of a period of
// 2.5 days, centred at 2450000.4 + 2.5 E.
class BoxPeriodogramTest : public PeriodogramCommandTest {
 public:
  static constexpr double kPeriod = 2.5, kDuration = 0.125, kDepth = 0.3, kEpoch = 2450000.4;

  void LoadEclipses() {
    std::mt19937 gen(21);
    std::uniform_real_distribution<double> u(0, 60);
    std::vector<double> t(4000), x;
    for (auto& v : t) v = 2450000 + u(gen);
    std::sort(t.begin(), t.end());
    for (double v : t) {
      const double phase = FracPart((v - kEpoch) / kPeriod + 0.5) - 0.5;
      x.push_back(12 + (std::fabs(phase) * kPeriod < kDuration / 2 ? kDepth : 0));
    }
    Load(t, x);
  }

  // Frequencies 0.2 .. 1, step 1 / (10 span).
  void RunBox() {
    dialogs.fieldAnswers = {{"0.2", "1", "", "7", "3"}};
    RunPeriodogramCommand(*engine);
  }
};

TEST_F(BoxPeriodogramTest, PeakTableGivesDepthDurationAndTheFirstEvent) {
  LoadEclipses();
  const double tFirst = engine->data.t[1];
  RunBox();
  ASSERT_TRUE(host.messages.empty()) << host.messages[0];
  EXPECT_TRUE(host.Logged("Method 7: box least squares, durations 0.01 to 0.1 of the period"));
  EXPECT_TRUE(
      host.Logged("  #  frequency  period  power  depth +- error  duration +- error  t0 +- error"));
  // rank, f, P, power, depth, its error, duration, its error, t0, its error
  const auto peak = FirstPeak();
  ASSERT_EQ(peak.size(), 10u);
  EXPECT_NEAR(peak[2], kPeriod, 2e-3);
  EXPECT_GT(peak[3], 0.9);
  EXPECT_NEAR(peak[4], kDepth, 0.03);
  EXPECT_NEAR(peak[6], kDuration, std::max(peak[7], 0.01));
  // The first mid-eclipse at or after the earliest point.
  const double first = kEpoch + std::ceil((tFirst - kEpoch) / kPeriod) * kPeriod;
  EXPECT_NEAR(peak[8], first, 2 * peak[9] + 0.01);
  EXPECT_GE(peak[8], tFirst - peak[9]);
  // The file: frequency, power, depth, duration, t0.
  const auto lines = ReadLines("star_periodogram.dat");
  EXPECT_EQ(lines[0], "frequency power depth duration t0");
  EXPECT_EQ(lines[1].size(), 5 * 23 + 4u);
  EXPECT_EQ(static_cast<int>(lines.size()) - 1, engine->data.n);
}

// The frequency 0 holds no period: from the default lowest frequency the
// search starts one step above it.
TEST_F(BoxPeriodogramTest, FromTheLowestFrequency0TheSearchStartsOneStepUp) {
  LoadEclipses();
  const double df = 1 / (10 * Span());
  dialogs.fieldAnswers = {{"", "1", "", "7", "1"}};
  RunPeriodogramCommand(*engine);
  ASSERT_TRUE(host.messages.empty()) << host.messages[0];
  EXPECT_TRUE(host.LoggedPart("the box search starts one step above it"));
  const auto peak = FirstPeak();
  ASSERT_EQ(peak.size(), 10u);
  EXPECT_NEAR(peak[2], kPeriod, 2e-3);
  const auto lines = ReadLines("star_periodogram.dat");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NEAR(*ParseNumber(lines[1].substr(0, 23)), df, 1e-9 * df);
  EXPECT_EQ(static_cast<long long>(lines.size()) - 1,
            static_cast<long long>(std::floor(1 / df + 1e-9)));
}

TEST_F(BoxPeriodogramTest, KeyCode16TakesThePeriodAndT0OfTheBestBox) {
  LoadEclipses();
  RunBox();
  const auto peak = FirstPeak();
  ASSERT_EQ(peak.size(), 10u);
  host.Add({"#16", ";"});
  RunKeyLoop(*engine);
  EXPECT_NEAR(engine->eph.period, kPeriod, 2e-3);
  EXPECT_NEAR(engine->eph.period, peak[2], 1e-9 * kPeriod);
  EXPECT_NEAR(engine->eph.epochT0, peak[8], 1e-6);
  EXPECT_TRUE(host.LoggedPart("from the box least squares periodogram"));
  // The ephemeris dialog offers them.
  dialogs.fieldAnswers = {{"<cancel>"}};
  EphemerisDialog(*engine);
  ASSERT_FALSE(dialogs.shownFields.empty());
  EXPECT_EQ(dialogs.shownFields.back()[0].value, General(engine->eph.epochT0));
  EXPECT_EQ(dialogs.shownFields.back()[1].value, General(engine->eph.period));
}

TEST_F(BoxPeriodogramTest, AnotherMethodWithdrawsTheBoxFromKeyCode16) {
  LoadEclipses();
  RunBox();
  ASSERT_GT(engine->classical.lastParabolaPeriod, 0);
  LoadEclipses();
  dialogs.fieldAnswers = {{"0.2", "1"}};  // method 1
  RunPeriodogramCommand(*engine);
  engine->eph.epochT0 = 7;
  host.Add({"#16", ";"});
  RunKeyLoop(*engine);
  EXPECT_TRUE(host.Logged("No period from a 3-point parabola yet"));
  EXPECT_EQ(engine->eph.epochT0, 7);
}

}  // namespace
}  // namespace teril

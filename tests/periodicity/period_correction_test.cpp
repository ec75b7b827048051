// The correction of the period (the second "U"), O-C, the ephemeris dialog
// and the phases following every change of the period.  #14
#include "periodicity/period_correction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "console/file_run.h"
#include "console/key_loop.h"
#include "data/settings.h"
#include "engine/engine.h"
#include "periodicity/fourier_command.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

// -lg sigma rounded: 5.63 -> 6 + 3; 1.40 -> 1 + 3; 0.52 -> 1 + 3; 0.30 -> 0;
// a zero or tiny sigma gets the cap.
TEST(PeriodCorrection, DecimalsAndRefusal) {
  const std::vector<std::pair<double, int>> cases{{2.36e-6, 9}, {-2.36e-6, 9}, {0.04, 4},  {0.3, 4},
                                                  {0.5, 0},     {0, 15},       {1e-20, 15}};
  for (const auto& [sigma, decimals] : cases) EXPECT_EQ(PeriodDecimals(sigma), decimals) << sigma;
  Ephemeris eph;
  eph.period = 0.5;
  CorrelationState c;
  c.b = 2;  // a drift of one cycle per period: no finite period
  PeriodCorrection pc;
  std::string why;
  EXPECT_FALSE(ComputePeriodCorrection(eph, c, pc, why));
  // Two moments: the line has no error (q and sigma_b are placeholders).
  c.b = 1e-4;
  c.nEff = c.count = 2;
  c.sigmaB = c.b / kNoRatio;
  why.clear();
  EXPECT_FALSE(ComputePeriodCorrection(eph, c, pc, why));
  EXPECT_NE(why.find("at least three moments"), std::string::npos);
  // Moments all at one time: no slope, and its error is the placeholder.
  c.b = 0;
  c.nEff = c.count = 5;
  c.sigmaB = kNoRatio;
  EXPECT_FALSE(ComputePeriodCorrection(eph, c, pc, why));
  // Three moments on an exact line: an error of 0 is the right one.
  c.b = 1e-4;
  c.nEff = c.count = 3;
  c.sigmaB = 0;
  EXPECT_TRUE(ComputePeriodCorrection(eph, c, pc, why));
  EXPECT_DOUBLE_EQ(pc.Pc, 0.5 / (1 - 0.5e-4));
  EXPECT_EQ(pc.sigmaPc, 0);
}

class PeriodCommandTest : public testing::EngineTest {
 protected:
  void Run(const std::string& path, std::initializer_list<std::string> keys) {
    host.Add(keys);
    ResetEngine(*engine, true);
    RunDataFile(*engine, path);
  }
};

// Minima of T0' = 2450000.02, P' = 0.50003 with a scatter of 0.001 d, folded
// with T0 = 2450000, P = 0.5: the phases drift by b = 1/P - 1/P' per day.
// Expected: a regression of the phases on the moments worked out here.
TEST_F(PeriodCommandTest, MinimaWithADriftGiveTheCorrectedPeriod) {
  const double T0 = 2450000, P = 0.5;
  std::string text;
  std::vector<double> t, x;
  for (int E = 0; E <= 150; E += 3) {
    const std::string T = Str(2450000.02 + 0.50003 * E + 0.001 * std::sin(2.7 * E), 0, 5);
    text += Str(static_cast<long long>(E)) + " " + T + "\n";
    t.push_back(*ParseNumber(T));
    x.push_back((t.back() - T0) / P - std::round((t.back() - T0) / P));
  }
  dialogs.fieldAnswers = {{"2450000", "0.5", "0"}};
  Run(WriteText("min.dat", text), {":TPQ", "#131", "U", "U", ";"});

  const double n = static_cast<double>(t.size());
  double tm = 0, xm = 0, stt = 0, sxx = 0, stx = 0;
  for (std::size_t i = 0; i < t.size(); ++i) tm += t[i] / n, xm += x[i] / n;
  for (std::size_t i = 0; i < t.size(); ++i) {
    stt += (t[i] - tm) * (t[i] - tm);
    sxx += (x[i] - xm) * (x[i] - xm);
    stx += (t[i] - tm) * (x[i] - xm);
  }
  const double b = stx / stt, r = stx / std::sqrt(stt * sxx);
  const double Pc = P / (1 - b * P), u = (tm - T0) / P - xm, E = std::round(u);
  const double sigmaPc = b / (r / std::sqrt((1 - r * r) / (n - 2))) * Pc * Pc;
  const double Tc = tm - (u - E) * Pc;

  const auto lines = ReadLines("min_corr_P");
  ASSERT_EQ(lines.size(), 12u);
  auto value = [&](int line, std::size_t at) { return *ParseNumber(lines[line].substr(at)); };
  EXPECT_EQ(lines[0], "Correct period from phase diagram        file=min.dat");
  EXPECT_EQ(lines[1], "Number of points=51   from 1 to 51");
  EXPECT_NEAR(value(3, 17), Pc, 1e-8);  // sigma 3e-6: 5 + 3 decimals
  EXPECT_NEAR(value(4, 17), sigmaPc, 1e-8);
  EXPECT_LT(std::fabs(Pc - 0.50003), 3 * sigmaPc);
  EXPECT_NEAR(value(5, 17), Tc, 1e-5);
  EXPECT_NEAR(value(6, 17), Tc - T0 - 75 * P, 1e-5);
  EXPECT_EQ(lines[8], "          E=     75");
  EXPECT_NEAR(value(10, 18), tm + ((T0 - tm) / P + xm) * Pc, 1e-5);
  // The errors of both epochs: the error of the line at the mean time
  // (sigma_x s_r) and of its slope (b s_r / r), carried to the epoch.
  const double sR = std::sqrt((1 - r * r) / (n - 2)), sA = std::sqrt(sxx / n) * sR;
  const double sB = b * sR / r;
  auto epochError = [&](double T) { return P * std::hypot(sA, (T - tm) * sB); };
  EXPECT_NEAR(value(7, 17), epochError(Tc), 1e-5);
  EXPECT_NEAR(value(11, 18), epochError(tm + ((T0 - tm) / P + xm) * Pc), 1e-5);
  EXPECT_TRUE(host.Logged(lines[3]));
  EXPECT_EQ(engine->eph.period, 0.5);  // taken over with the dialog, not here
}

// (0, 0), (1, 2), (2, 1): tMean = xMean = 1, b = 1/2, so O-C is -0.5, 1, -0.5
// (t as loaded, 3:1; x as loaded 4:1, so O-C in 7:3).
TEST_F(PeriodCommandTest, OMinusCRunsTheCorrelationOnlyWhenNoneWasMade) {
  Run(WriteText("three.dat", "0.0 0.0\n1.0 2.0\n2.0 1.0\n"), {"(", "(", ";"});
  EXPECT_EQ(ReadLines("three_o-c_lin.dat"),
            (std::vector<std::string>{"0.0 -0.500", "1.0  1.000", "2.0 -0.500"}));
  EXPECT_EQ(ReadLines("three_corr").size(), 9u);
}

TEST_F(PeriodCommandTest, TheDialogOffersAndTakesTheEphemeris) {
  ResetEngine(*engine, true);
  dialogs.fieldAnswers = {{"2450000.5", "abc", "0.001"}, {"", "0", ""}, {"<cancel>"}};
  EphemerisDialog(*engine);
  const auto& f = dialogs.shownFields[0];
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(dialogs.names[0] + dialogs.shown[0] + f[0].label + f[0].value + f[1].label +
                f[1].value + f[2].label + f[2].value,
            "F1TPQt=T_0+P*E+Q*E^2Initial Epoch T_0=0Period P=1Quadratic term Q=0");
  EXPECT_EQ(engine->eph.epochT0, 2450000.5);
  EXPECT_EQ(engine->eph.period, 1);  // "abc" keeps it
  EXPECT_EQ(engine->eph.Q, 0.001);
  EphemerisDialog(*engine);  // P = 0 is refused
  EXPECT_EQ(engine->eph.period, 1);
  engine->eph.period = 3;
  EphemerisDialog(*engine);  // cancelled: the settings are written all the same
  EXPECT_NE(ReadText(SettingsPath(*engine)).find(" 2450000.5 3 0.001 "), std::string::npos);
}

// In phase mode the phases follow the period at once, from the dialog and
// from key code 16: times 0.1 .. 0.8 with T0 = 0 and P = 0.25 have the
// phases 0.4, -0.2, 0.2, -0.4, 0, 0.4, -0.2, 0.2.
TEST_F(PeriodCommandTest, PhasesFollowEveryNewPeriod) {
  std::string text;
  for (int i = 1; i <= 8; ++i) text += Str(0.1 * i, 3, 1) + " " + Str(i % 3, 3, 1) + "\n";
  const std::string path = WriteText("f.dat", text);
  const std::vector<double> phases{0.4, -0.2, 0.2, -0.4, 0, 0.4, -0.2, 0.2};
  for (bool dialog : {true, false}) {
    // Key 16 sets T0 := 0 and P := 0.25 after the dialog's T0 0.05 and P 1.
    dialogs.fieldAnswers = {{dialog ? "0" : "0.05", dialog ? "0.25" : "1", "0"}};
    Run(path, {"F", ":TPQ", ";"});
    if (!dialog) {
      engine->classical.lastParabolaPeriod = 0.25;
      host.Add({"#16", ";"});
      RunKeyLoop(*engine);
    }
    EXPECT_EQ(engine->eph.frequency, 4);
    for (int i = 1; i <= 8; ++i) EXPECT_NEAR(engine->data.t[i], phases[i - 1], 1e-12) << i;
  }
}

}  // namespace
}  // namespace teril

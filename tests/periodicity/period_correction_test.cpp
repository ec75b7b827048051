// The correction of the period (the second "U"), O-C, the ephemeris dialog
// and the phases following every change of the period.  #14
#include "periodicity/period_correction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "console/file_run.h"
#include "console/key_loop.h"
#include "data/settings.h"
#include "periodicity/fourier_commands.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

struct DecimalsCase {
  double sigma;
  int decimals;
};
class PeriodDecimalsTest : public ::testing::TestWithParam<DecimalsCase> {};
TEST_P(PeriodDecimalsTest, FromTheErrorOfThePeriod) {
  EXPECT_EQ(PeriodDecimals(GetParam().sigma), GetParam().decimals);
}
// -lg sigma rounded: 5.63 -> 6 + 3; 1.40 -> 1 + 3; 0.52 -> 1 + 3; 0.30 -> 0;
// a zero or tiny sigma: the cap.
INSTANTIATE_TEST_SUITE_P(Errors, PeriodDecimalsTest,
                         ::testing::Values(DecimalsCase{2.36e-6, 9}, DecimalsCase{-2.36e-6, 9},
                                           DecimalsCase{0.04, 4}, DecimalsCase{0.3, 4},
                                           DecimalsCase{0.5, 0}, DecimalsCase{7, 0},
                                           DecimalsCase{0, 15}, DecimalsCase{1e-20, 15}));

TEST(PeriodCorrection, RefusedWithoutAFinitePeriod) {
  Ephemeris eph;
  eph.period = 0.5;
  CorrelationState c;
  c.b = 2;  // one cycle of drift per period
  PeriodCorrection pc;
  std::string why;
  EXPECT_FALSE(ComputePeriodCorrection(eph, c, pc, why));
  eph.period = 0;
  EXPECT_FALSE(ComputePeriodCorrection(eph, c, pc, why));
  EXPECT_EQ(why, "the period is 0");
}

class PeriodCommandTest : public testing::EngineTest {
 protected:
  void Run(const std::string& path, std::initializer_list<std::string> keys) {
    host.Add(keys);
    ResetEngine(*engine, true);
    RunDataFile(*engine, path);
  }
  double Value(const std::string& line, std::size_t at) { return *ParseNumber(line.substr(at)); }
};

// Minima of the ephemeris T0' = 2450000.02, P' = 0.50003 with a scatter of
// 0.001 d, folded with T0 = 2450000, P = 0.5: the phases drift by
// b = 1/P - 1/P' per day. The expected values come from a regression of the
// phases on the moments written out here.
TEST_F(PeriodCommandTest, MinimaWithADriftGiveTheCorrectedPeriod) {
  const double T0 = 2450000, P = 0.5, trueT0 = 2450000.02, trueP = 0.50003;
  std::string text;
  std::vector<double> t, x;
  for (int E = 0; E <= 150; E += 3) {
    const std::string T = Str(trueT0 + trueP * E + 0.001 * std::sin(2.7 * E), 0, 5);
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
  const double q = r / std::sqrt((1 - r * r) / (n - 2));
  const double SX = std::sqrt(sxx / n) * std::sqrt((1 - r * r) / (n - 2));
  const double Pc = P / (1 - b * P), sigmaPc = b / q * Pc * Pc;
  const double u = (tm - T0) / P - xm;
  const double E = std::round(u), Tc = tm - (u - E) * Pc;
  const double sigmaTc = P * std::sqrt(SX * SX + std::pow((Tc - tm) * b / q, 2));
  const double Tc2 = tm + ((T0 - tm) / P + xm) * Pc;

  const auto lines = ReadLines("min_corr_P");
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "Correct period from phase diagram        file=min.dat");
  EXPECT_EQ(lines[1], "Number of points=51   from 1 to 51");
  EXPECT_NEAR(Value(lines[3], 17), Pc, 1e-8);  // sigma 3e-6: 5 + 3 decimals
  EXPECT_NEAR(Value(lines[4], 17), sigmaPc, 1e-8);
  EXPECT_LT(std::fabs(Pc - trueP), 3 * sigmaPc);
  EXPECT_EQ(lines[8], "          E=     75");
  EXPECT_NEAR(Value(lines[5], 17), Tc, 1e-5);
  EXPECT_LT(std::fabs(Tc - (trueT0 + 75 * trueP)), 3 * sigmaTc);
  EXPECT_NEAR(Value(lines[6], 17), Tc - T0 - 75 * P, 1e-5);
  EXPECT_NEAR(Value(lines[7], 17), sigmaTc, 1e-5);
  EXPECT_NEAR(Value(lines[10], 18), Tc2, 1e-5);
  EXPECT_TRUE(host.Logged(lines[3]));
  EXPECT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(engine->eph.period, 0.5);  // the user takes P_c over with the dialog
  EXPECT_FALSE(engine->correlation.justCorrelated);
}

// (0, 0), (1, 2), (2, 1): tMean = xMean = 1, b = 1/2, so O-C is -0.5, 1, -0.5
// (t as loaded, 3:1; x as loaded 4:1, so O-C in 7:3).
TEST_F(PeriodCommandTest, OMinusCRunsTheCorrelationOnlyWhenNoneWasMade) {
  Run(WriteText("three.dat", "0.0 0.0\n1.0 2.0\n2.0 1.0\n"), {"(", "(", ";"});
  EXPECT_EQ(ReadLines("three_o-c_lin.dat"),
            (std::vector<std::string>{"0.0 -0.500", "1.0  1.000", "2.0 -0.500"}));
  EXPECT_EQ(ReadLines("three_corr").size(), 9u);
  EXPECT_TRUE(host.Logged("O-C>>"));
}

TEST_F(PeriodCommandTest, TheDialogOffersAndTakesTheEphemeris) {
  ResetEngine(*engine, true);
  dialogs.fieldAnswers = {{"2450000.5", "abc", "0.001"}, {"", "0", ""}, {"<cancel>"}};
  EphemerisDialog(*engine);
  EXPECT_EQ(dialogs.names[0], "F1TPQ");
  EXPECT_EQ(dialogs.shown[0], "t=T_0+P*E+Q*E^2");
  const auto& f = dialogs.shownFields[0];
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0].label + f[0].value + f[1].label + f[1].value + f[2].label + f[2].value,
            "Initial Epoch T_0=0Period P=1Quadratic term Q=0");
  EXPECT_EQ(engine->eph.epochT0, 2450000.5);
  EXPECT_EQ(engine->eph.period, 1);  // "abc" keeps it
  EXPECT_EQ(engine->eph.Q, 0.001);
  EphemerisDialog(*engine);  // P = 0 is refused
  EXPECT_EQ(engine->eph.period, 1);
  EXPECT_TRUE(host.LoggedPart("Period P=0 refused"));
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
  auto expectPhases = [&] {
    for (int i = 1; i <= 8; ++i) EXPECT_NEAR(engine->data.t[i], phases[i - 1], 1e-12) << i;
  };
  dialogs.fieldAnswers = {{"0", "0.25", "0"}};
  Run(path, {"F", ":TPQ", ";"});
  EXPECT_EQ(engine->eph.frequency, 4);
  expectPhases();

  dialogs.fieldAnswers = {{"0.05", "1", "0"}};
  Run(path, {"F", ":TPQ", ";"});
  engine->run.lastParabolaPeriod = 0.25;
  host.Add({"#16", ";"});
  RunKeyLoop(*engine);
  EXPECT_EQ(engine->eph.epochT0, 0);
  expectPhases();
}

TEST_F(PeriodCommandTest, ConsoleModeRuns) {
  std::string minima, curve;
  for (int E = 0; E <= 60; E += 2)
    minima += Str(static_cast<long long>(E)) + " " +
              Str(2450000.02 + 0.50003 * E + 0.001 * std::sin(2.7 * E), 0, 5) + "\n";
  for (int i = 0; i < 50; ++i)
    curve += Str(0.05 * i, 5, 2) + " " + Str(12 + 0.3 * std::cos(i * 0.449), 7, 3) + "\n";
  WriteText("min.dat", minima);
  WriteText("curve.dat", curve);
  const std::string env = "cd '" + dir.string() + "' && TERIL_HOME='" + (dir / "home").string() +
                          "' QT_QPA_PLATFORM=offscreen ";
  std::string cmd = env + "printf ':TPQ\\n2450000\\n0.5\\n0\\n#131\\nU\\nU\\n;\\n' | " +
                    TERIL_BINARY " --console min.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  EXPECT_NE(ReadText("out.txt").find("Corrected period= 0.5000"), std::string::npos)
      << ReadText("out.txt");
  EXPECT_EQ(ReadLines("min_corr_P").size(), 12u);
  cmd = env + "printf 'Q8\\n2\\n0\\n0\\n1\\n0.25\\n;\\n' | " +
        TERIL_BINARY " --console curve.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  EXPECT_EQ(ReadLines("curve_Four_c.dat").size(), 5u) << ReadText("out.txt");
  EXPECT_EQ(ReadLines("curve_Four.dat").size(), 50u);
}

}  // namespace
}  // namespace teril

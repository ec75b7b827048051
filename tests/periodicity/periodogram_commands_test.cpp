// The periodogram command driven through the scripted host and dialogs
// and through the key loop.
#include "periodicity/periodogram_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>
#include <sstream>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "console/key_loop.h"
#include "data/save.h"
#include "engine/engine.h"
#include "periodicity/periodogram_command_fixture.h"
#include "plot/draw.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

TEST_F(PeriodogramCommandTest, DialogOffersTheTenFieldsWithTheirDefaults) {
  // Spacings 0.5 0.5 1 0.5: median 0.5, highest frequency 1 / (2 * 0.5) = 1.
  Load({0, 0.5, 1, 2, 2.5}, {1, 2, 1, 3, 2});
  dialogs.fieldAnswers = {{"<cancel>"}};
  RunPeriodogramCommand(*engine);
  ASSERT_EQ(dialogs.names, std::vector<std::string>{"Periodogram"});
  EXPECT_EQ(dialogs.shown[0], "Periodogram");
  std::vector<std::string> shown;
  for (auto& f : dialogs.shownFields[0]) shown.push_back(f.label + "=" + f.value);
  EXPECT_EQ(shown, (std::vector<std::string>{"Lowest frequency=0", "Highest frequency=1",
                                             "Oversampling=10", "Method=1", "Peaks to list=10",
                                             "Harmonics=3", "Band harmonics=0", "Bins=10",
                                             "Shortest duration=0.01", "Longest duration=0.1"}));
  EXPECT_EQ(engine->data.n, 5);
  EXPECT_FALSE(FileExists("star_periodogram.dat"));
}

TEST_F(PeriodogramCommandTest, SinusoidBecomesItsPeriodogramWithTheFileAndThePeakList) {
  const double f0 = 0.7, A = 0.35;
  LoadSinusoid(200, 50, f0, A);
  const double span = Span(), df = 1 / (10 * span);
  const long long M = static_cast<long long>(std::floor(2 / df)) + 1;
  dialogs.fieldAnswers = {{"", "2", "", "", "3"}};
  RunPeriodogramCommand(*engine);
  for (const std::string& line :
       {std::string("Number of points 200"), "Time span " + General(span),
        "Number of frequencies " + Str(M), std::string("Computed by the direct sums"),
        std::string("Method 1: generalised Lomb-Scargle, floating mean"),
        std::string("Written to star_periodogram.dat")})
    EXPECT_TRUE(host.Logged(line)) << line;
  const auto peak = FirstPeak();  // rank, f, P, power, A, FAP
  ASSERT_EQ(peak.size(), 6u);
  EXPECT_LT(std::fabs(peak[1] - f0), 0.1 * df);
  EXPECT_NEAR(peak[2], 1 / peak[1], 1e-9);
  EXPECT_GT(peak[3], 0.999);
  EXPECT_NEAR(peak[4], A, 1e-3);
  EXPECT_LT(peak[5], 1e-100);  // a noiseless sinusoid is no false alarm
  // The file (a header, then f, power, A in the 23-character form) and the
  // data set hold the same periodogram.
  auto lines = ReadLines("star_periodogram.dat");
  ASSERT_EQ(static_cast<long long>(lines.size()), M + 1);
  EXPECT_EQ(lines[0], "frequency power semi-amplitude");
  const DataSet& d = engine->data;
  ASSERT_EQ(d.n, M);
  for (long long k : {0LL, M / 2, M - 1}) {
    ASSERT_EQ(lines[k + 1].size(), 3 * 23 + 2u);
    EXPECT_NEAR(*ParseNumber(lines[k + 1].substr(0, 23)), k * df, 1e-12);
    EXPECT_NEAR(d.t[k + 1], k * df, 1e-12);
    EXPECT_NEAR(d.x[k + 1], *ParseNumber(lines[k + 1].substr(24, 23)), 1e-13);
    EXPECT_EQ(d.t0[k + 1], d.t[k + 1]);
  }
  // The whole periodogram visible, the current point on the highest peak.
  const ViewState& v = engine->view;
  EXPECT_EQ(v.lastVisible, M);
  EXPECT_DOUBLE_EQ(v.tMax, d.t[M]);
  EXPECT_FALSE(engine->checks.inverseX);
  EXPECT_EQ(std::max_element(&d.x[1], &d.x[M] + 1) - &d.x[0], v.j);
}

TEST_F(PeriodogramCommandTest, ParabolaOnThePeakThenKeyCode16GivesThePeriod) {
  const double f0 = 1.37;
  LoadSinusoid(300, 40, f0, 0.2, 2);
  const double df = 1 / (10 * Span());
  dialogs.fieldAnswers = {{"", "3"}};
  RunPeriodogramCommand(*engine);
  // The parabola through the current point and its neighbours (equal steps
  // h): its top lies at t_j + h (x_{j-1} - x_{j+1}) / (2 (x_{j-1} - 2 x_j + x_{j+1})).
  const DataSet& d = engine->data;
  const int j = engine->view.j;
  const double h = d.t[j + 1] - d.t[j];
  const double top =
      d.t[j] + h * (d.x[j - 1] - d.x[j + 1]) / (2 * (d.x[j - 1] - 2 * d.x[j] + d.x[j + 1]));
  EXPECT_LT(std::fabs(top - f0), 0.1 * df);
  // The program's own three-point parabola ("~/", Insert) on the peak, then
  // key code 16 takes 1/t_e as the period.
  host.Add({"~/", "#16", ";"});
  RunKeyLoop(*engine);
  EXPECT_TRUE(host.Logged("3-point parabola"));
  EXPECT_NEAR(engine->classical.lastParabolaPeriod, 1 / top, 1e-9 / top);
  EXPECT_NEAR(engine->eph.period, 1 / top, 1e-9 / top);
  EXPECT_NEAR(engine->eph.period, 1 / f0, 0.1 * df / (f0 * f0));
  EXPECT_EQ(engine->eph.epochT0, 0);
}

TEST_F(PeriodogramCommandTest, UnsavedEditsAreOfferedForSavingFirst) {
  for (bool yes : {true, false}) {
    std::filesystem::remove(dir / "star.da$");
    LoadSinusoid(50, 10, 1.1, 1);
    std::vector<std::string> expected;
    for (int i = 1; i <= 50; ++i) expected.push_back(SavedLine(engine->data, i));
    engine->run.modified = true;
    dialogs.shown.clear();
    dialogs.yesNoAnswers = {yes};
    dialogs.fieldAnswers = {{}};
    RunPeriodogramCommand(*engine);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_NE(dialogs.shown[1].find("unsaved changes. Save them to star.da$"), std::string::npos);
    EXPECT_EQ(ReadLines("star.da$"), yes ? expected : std::vector<std::string>{});
    EXPECT_EQ(engine->data.n, static_cast<int>(ReadLines("star_periodogram.dat").size()) - 1);
  }
  dialogs.shown.clear();  // without unsaved edits, no question
  dialogs.fieldAnswers = {{}};
  RunPeriodogramCommand(*engine);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Periodogram"});
}

TEST_F(PeriodogramCommandTest, AStopLeavesTheDataSetAndNoFile) {
  LoadSinusoid(2000, 100, 1.1, 1);
  const double x1 = engine->data.x[1];
  host.stopAtProgress = 1;
  dialogs.fieldAnswers = {{"", "20"}};  // 20,001 frequencies by the direct sums
  RunPeriodogramCommand(*engine);
  EXPECT_TRUE(host.Logged("Periodogram stopped: the data set is unchanged"));
  ASSERT_EQ(host.progress.size(), 2u);
  EXPECT_EQ(host.progress[0].what, "Periodogram");
  EXPECT_GE(host.progressEnds, 1);
  EXPECT_EQ(engine->data.n, 2000);
  EXPECT_EQ(engine->data.x[1], x1);
  EXPECT_FALSE(FileExists("star_periodogram.dat"));
}

TEST_F(PeriodogramCommandTest, TheFastMethodTakesOverAboveTenToTheEightPointFrequencies) {
  // 2000 points, step 1e-3: 60,001 frequencies up to 60 give 1.2e8
  // point-frequencies (fast), 40,001 up to 40 give 8e7 (direct).
  for (const char* high : {"60", "40"}) {
    LoadSinusoid(2000, 100, 3.21, 0.5, 3);
    host.log.clear();
    dialogs.fieldAnswers = {{"", high, RoundTrip(1 / (1e-3 * Span()))}};
    RunPeriodogramCommand(*engine);
    EXPECT_TRUE(host.Logged(std::string(high) == "60"
                                ? "Computed by the fast method (extirpolation and FFT)"
                                : "Computed by the direct sums"));
    const auto peak = FirstPeak();
    ASSERT_EQ(peak.size(), 6u);
    EXPECT_LT(std::fabs(peak[1] - 3.21), 1e-4) << high;
  }
}

TEST_F(PeriodogramCommandTest, ErrorsWeightThePointsAndMethod2ShowsTheSemiAmplitude) {
  // Points with small errors follow 0.5 per day, points with large errors
  // a stronger wave at 1.7 per day: with weights 1/s^2 the first wins.
  std::vector<double> t, x, s;
  TwoWaves(400, t, x, s);
  for (bool weighted : {true, false}) {
    Load(t, x, weighted ? s : std::vector<double>{});
    host.log.clear();
    dialogs.fieldAnswers = {{"", "3", "", "2", "1"}};
    RunPeriodogramCommand(*engine);
    EXPECT_TRUE(host.Logged("Method 2: amplitude spectrum of the discrete Fourier transform"));
    const auto peak = FirstPeak();
    ASSERT_EQ(peak.size(), 5u);  // no false-alarm probability
    EXPECT_NEAR(peak[1], weighted ? 0.5 : 1.7, 0.01);
    // The set holds the semi-amplitude: half the wave's 1 or 3 (each wave
    // lives on half the points; weighted, the good half nearly alone).
    EXPECT_NEAR(engine->data.x[engine->view.j], weighted ? 1.0 : 1.5, 0.15);
  }
}

struct BadInput {
  std::string name, data;  // data: which light curve (see the test)
  std::vector<std::string> answers;
  std::string message;
};

class PeriodogramBadInputTest : public PeriodogramCommandTest,
                                public ::testing::WithParamInterface<BadInput> {};

TEST_P(PeriodogramBadInputTest, SaysWhyAndChangesNothing) {
  const BadInput& c = GetParam();
  std::vector<double> t, x;
  for (int i = 0; i < 10; ++i) {
    t.push_back(c.data == "span" ? 5 : i * 0.7);
    x.push_back(c.data == "constant" ? 4 : std::sin(i));
  }
  Load(t, x);
  if (c.data == "two") engine->view.tMax = 0.7;
  if (c.data == "phase") engine->data.phased = true;
  if (c.data == "s0") {
    engine->data.weightsLoaded = true;
    engine->data.s[4] = 0;
  }
  if (c.data == "sHuge") {  // s^2 overflows: no weight
    engine->data.weightsLoaded = true;
    engine->data.s[3] = 1e160;
  }
  if (c.data == "sTiny") {  // each weight near the largest number: their sum overflows
    engine->data.weightsLoaded = true;
    for (int i = 1; i <= 10; ++i) engine->data.s[i] = 1e-154;
  }
  dialogs.fieldAnswers = {c.answers};
  RunPeriodogramCommand(*engine);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find(c.message), std::string::npos) << host.messages[0];
  EXPECT_TRUE(host.Logged(host.messages[0]));
  EXPECT_EQ(engine->data.n, 10);
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(engine->data.x[i], x[i - 1]);
  EXPECT_FALSE(FileExists("star_periodogram.dat"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PeriodogramBadInputTest,
    ::testing::Values(
        BadInput{"TwoVisiblePoints", "two", {}, "fewer than 3 visible points"},
        BadInput{"NoTimeSpan", "span", {}, "the visible points span no time"},
        BadInput{"ConstantSignal", "constant", {}, "the visible signal is constant"},
        BadInput{"PhaseMode", "phase", {}, "switch phase mode off"},
        BadInput{"ZeroError", "s0", {}, "point 4 has the error s=0"},
        BadInput{
            "HugeError", "sHuge", {}, "point 3 has the error s=1E160; its weight 1/s^2 is beyond"},
        BadInput{"TinyErrors", "sTiny", {}, "the errors are too small"},
        BadInput{"HighestNotAboveLowest", "", {"0.5", "0.5"}, "must be above the lowest"},
        BadInput{"NegativeLowest", "", {"-1"}, "the lowest frequency must not be negative"},
        BadInput{"ZeroOversampling", "", {"", "", "0"}, "the oversampling must be above 0"},
        BadInput{"GridAboveTenToTheEight", "", {"", "2e6"}, "more than 100000000"},
        BadInput{"NotANumber", "", {"", "abc"}, "\"Highest frequency\" is not a number: abc"},
        BadInput{"MethodEight", "", {"", "", "", "8"}, "\"Method\" must be 1 to 7: 8"},
        BadInput{"MethodNotANumber", "", {"", "", "", "x"}, "\"Method\" must be 1 to 7: x"},
        BadInput{"HarmonicsAboveSix",
                 "",
                 {"", "", "", "3", "", "7"},
                 "\"Harmonics\" must be a whole number from 1 to 6: 7"},
        BadInput{"BandHarmonicsAboveHarmonics",
                 "",
                 {"", "", "", "4", "", "2", "3"},
                 "\"Band harmonics\" must be a whole number from 0 to the harmonics (2): 3"},
        BadInput{"OneBin",
                 "",
                 {"", "", "", "6", "", "", "", "1"},
                 "\"Bins\" must be a whole number from 2 to 1000: 1"},
        BadInput{"ZeroShortestDuration",
                 "",
                 {"", "", "", "7", "", "", "", "", "0"},
                 "\"Shortest duration\" must be a fraction of the period above 0"},
        BadInput{"LongestBelowShortest",
                 "",
                 {"", "", "", "7", "", "", "", "", "0.2", "0.1"},
                 "\"Longest duration\" must be a fraction of the period from the shortest"},
        BadInput{"LongestAboveHalf",
                 "",
                 {"", "", "", "7", "", "", "", "", "", "0.6"},
                 "\"Longest duration\" must be a fraction of the period from the shortest"},
        BadInput{"BoxBelowOneStep",
                 "",
                 {"", "0.01", "", "7"},
                 "box least squares needs frequencies above 0"},
        BadInput{"PeaksAboveThousand",
                 "",
                 {"", "", "", "", "1001"},
                 "\"Peaks to list\" must be a whole number from 0 to 1000: 1001"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; });

TEST_F(PeriodogramCommandTest, MenuEntryRunsOnlyWhileAKeyIsAwaited) {
  const NamedCommand* c = FindCommand("periodogram1");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->menu + " " + c->caption, "Periodogram Periodogram...");
  LoadSinusoid(50, 10, 1.1, 1);
  ASSERT_TRUE(RunNamedCommand(*engine, "Periodogram1"));  // no key wait: refused
  EXPECT_TRUE(host.Logged("!!! IO is not waiting for input"));
  EXPECT_TRUE(dialogs.names.empty());
  dialogs.fieldAnswers = {{}};  // ":Periodogram1" in the key loop runs it
  host.Add({":Periodogram1", ";"});
  RunKeyLoop(*engine);
  EXPECT_EQ(dialogs.names, std::vector<std::string>{"Periodogram"});
  EXPECT_TRUE(FileExists("star_periodogram.dat"));
}

}  // namespace
}  // namespace teril

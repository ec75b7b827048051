// The periodogram command driven through the scripted host and dialogs,
// through the key loop and through the console mode.
#include "periodicity/periodogram_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numbers>
#include <random>
#include <sstream>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "console/key_loop.h"
#include "data/save.h"
#include "plot/draw.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

constexpr double kPi = std::numbers::pi;

class PeriodogramCommandTest : public testing::EngineTest {
 public:
  testing::RecordingCanvas canvas;

  void SetUp() override {
    EngineTest::SetUp();
    engine->console.writeLogFile = false;
    engine->run.inputFile = "star.dat";
    engine->run.outputFile = "star.da$";
    AttachCanvas(*engine, &canvas);
  }

  // Loads the points as the whole visible set, each with error s.
  void Load(const std::vector<double>& t, const std::vector<double>& x,
            const std::vector<double>& s = {}) {
    DataSet& d = engine->data;
    d.n = static_cast<int>(t.size());
    for (int i = 1; i <= d.n; ++i) {
      d.t[i] = d.t0[i] = t[i - 1];
      d.x[i] = x[i - 1];
      d.s[i] = s.empty() ? 1.0 : s[i - 1];
      d.observer[i] = ObserverCode("AB");
    }
    d.weightsLoaded = !s.empty();
    d.tWidth = 12;
    d.tDecimals = 5;
    d.xWidth = 7;
    d.xDecimals = 4;
    ViewState& v = engine->view;
    v.firstVisible = 1;
    v.lastVisible = d.n;
    v.tMin = *std::min_element(t.begin(), t.end());
    v.tMax = *std::max_element(t.begin(), t.end());
  }

  // `n` random times over `span` days from 2450000, x = 12 + A cos(2 pi f0 t).
  void LoadSinusoid(int n, double span, double f0, double A, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(0, span);
    std::vector<double> t(n), x;
    for (auto& v : t) v = 2450000 + u(gen);
    std::sort(t.begin(), t.end());
    for (double v : t) x.push_back(12 + A * std::cos(2 * kPi * f0 * (v - 2450000)));
    Load(t, x);
  }

  double Span() const {
    const DataSet& d = engine->data;
    return d.t[d.n] - d.t[1];
  }

  // The fields of the first row of the peak table: rank, frequency, period,
  // power, semi-amplitude and, for method 1, the false-alarm probability.
  std::vector<double> FirstPeak() const {
    auto it = std::find(host.log.begin(), host.log.end(), "Highest peaks:");
    EXPECT_NE(it, host.log.end());
    if (it == host.log.end() || it + 2 >= host.log.end()) return {};
    std::istringstream row(*(it + 2));
    std::vector<double> fields;
    std::string word;
    while (row >> word) fields.push_back(ParseNumber(word).value_or(-1));
    return fields;
  }
};

TEST_F(PeriodogramCommandTest, DialogOffersTheFiveFieldsWithTheirDefaults) {
  // Times 0, 0.5, 1, 2, 2.5: spacings 0.5 0.5 1 0.5, median 0.5, so the
  // highest frequency offered is 1 / (2 * 0.5) = 1.
  Load({0, 0.5, 1, 2, 2.5}, {1, 2, 1, 3, 2});
  dialogs.fieldAnswers = {{"<cancel>"}};
  RunPeriodogramCommand(*engine);
  ASSERT_EQ(dialogs.names, std::vector<std::string>{"Periodogram"});
  EXPECT_EQ(dialogs.shown[0], "Periodogram");
  const auto& f = dialogs.shownFields[0];
  ASSERT_EQ(f.size(), 5u);
  const std::pair<const char*, const char*> expected[] = {{"Lowest frequency", "0"},
                                                          {"Highest frequency", "1"},
                                                          {"Oversampling", "10"},
                                                          {"Method", "1"},
                                                          {"Peaks to list", "10"}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(f[i].label, expected[i].first);
    EXPECT_EQ(f[i].value, expected[i].second);
  }
  EXPECT_EQ(engine->data.n, 5);
  EXPECT_FALSE(FileExists("star_periodogram.dat"));
}

TEST_F(PeriodogramCommandTest, SinusoidBecomesItsPeriodogramWithTheFileAndThePeakList) {
  const double f0 = 0.7, A = 0.35;
  LoadSinusoid(200, 50, f0, A);
  const double span = Span(), df = 1 / (10 * span);
  dialogs.fieldAnswers = {{"", "2", "", "", "3"}};
  RunPeriodogramCommand(*engine);
  const long long M = static_cast<long long>(std::floor(2 / df)) + 1;

  EXPECT_TRUE(host.Logged("Periodogram"));
  EXPECT_TRUE(host.Logged("Number of points 200"));
  EXPECT_TRUE(host.Logged("Time span " + General(span)));
  EXPECT_TRUE(host.Logged("Number of frequencies " + Str(M)));
  EXPECT_TRUE(host.Logged("Method 1: generalised Lomb-Scargle, floating mean"));
  EXPECT_TRUE(host.Logged("Computed by the direct sums"));
  EXPECT_TRUE(host.LoggedPart("Computing time "));
  EXPECT_TRUE(host.Logged("Written to star_periodogram.dat"));
  const auto peak = FirstPeak();
  ASSERT_EQ(peak.size(), 6u);
  EXPECT_EQ(peak[0], 1);
  EXPECT_LT(std::fabs(peak[1] - f0), 0.1 * df);
  EXPECT_NEAR(peak[2], 1 / peak[1], 1e-9);
  EXPECT_GT(peak[3], 0.999);
  EXPECT_NEAR(peak[4], A, 1e-3);
  EXPECT_LT(peak[5], 1e-100);  // a noiseless sinusoid is no false alarm

  // The file: a header and one line per frequency in the 23-character form.
  auto lines = ReadLines("star_periodogram.dat");
  ASSERT_EQ(static_cast<long long>(lines.size()), M + 1);
  EXPECT_EQ(lines[0], "frequency power semi-amplitude");
  const DataSet& d = engine->data;
  ASSERT_EQ(d.n, M);
  for (long long k : {0LL, 1LL, M / 2, M - 1}) {
    const std::string& line = lines[k + 1];
    ASSERT_EQ(line.size(), 3 * 23 + 2u) << line;
    const double f = *ParseNumber(line.substr(0, 23));
    const double power = *ParseNumber(line.substr(24, 23));
    EXPECT_NEAR(f, k * df, 1e-12);
    EXPECT_GE(power, 0);
    EXPECT_LE(power, 1);
    // The data set holds the same periodogram.
    EXPECT_NEAR(d.t[k + 1], f, 1e-12);
    EXPECT_NEAR(d.x[k + 1], power, 1e-13);
    EXPECT_EQ(d.t0[k + 1], d.t[k + 1]);
  }
  // The view shows all of it with the current point on the highest peak.
  const ViewState& v = engine->view;
  EXPECT_EQ(v.firstVisible, 1);
  EXPECT_EQ(v.lastVisible, M);
  EXPECT_DOUBLE_EQ(v.tMin, 0);
  EXPECT_DOUBLE_EQ(v.tMax, d.t[M]);
  EXPECT_FALSE(v.invertX);
  EXPECT_EQ(std::max_element(&d.x[1], &d.x[M] + 1) - &d.x[0], v.j);
  EXPECT_FALSE(d.weightsLoaded);
  EXPECT_FALSE(engine->run.modified);
}

TEST_F(PeriodogramCommandTest, ParabolaOnThePeakThenKeyCode16GivesThePeriod) {
  const double f0 = 1.37;
  LoadSinusoid(300, 40, f0, 0.2, 2);
  const double df = 1 / (10 * Span());
  dialogs.fieldAnswers = {{"", "3"}};
  RunPeriodogramCommand(*engine);
  // The parabola through the current point and its neighbours, worked out
  // here: for equal steps h its top lies at t_j + h (x_{j-1} - x_{j+1}) /
  // (2 (x_{j-1} - 2 x_j + x_{j+1})).
  const DataSet& d = engine->data;
  const int j = engine->view.j;
  const double h = d.t[j + 1] - d.t[j];
  const double top =
      d.t[j] + h * (d.x[j - 1] - d.x[j + 1]) / (2 * (d.x[j - 1] - 2 * d.x[j] + d.x[j + 1]));
  EXPECT_LT(std::fabs(top - f0), 0.1 * df);
  engine->run.lastParabolaPeriod = 1 / top;
  host.Add({"#16", ";"});
  RunKeyLoop(*engine);
  EXPECT_NEAR(engine->eph.period, 1 / f0, 0.1 * df / (f0 * f0));
  EXPECT_EQ(engine->eph.epochT0, 0);
}

TEST_F(PeriodogramCommandTest, UnsavedEditsAreSavedFirstWhenTheUserSaysYes) {
  LoadSinusoid(50, 10, 1.1, 1);
  std::vector<std::string> expected;
  for (int i = 1; i <= 50; ++i) expected.push_back(SavedLine(engine->data, i));
  engine->run.modified = true;
  dialogs.yesNoAnswers = {true};
  dialogs.fieldAnswers = {{}};
  RunPeriodogramCommand(*engine);
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_NE(dialogs.shown[1].find("unsaved changes"), std::string::npos);
  EXPECT_EQ(ReadLines("star.da$"), expected);
  EXPECT_TRUE(host.Logged("LOG>>Save complete!"));
  EXPECT_TRUE(FileExists("star_periodogram.dat"));
  EXPECT_NE(engine->data.n, 50);
}

TEST_F(PeriodogramCommandTest, UnsavedEditsAreNotWrittenWhenTheUserSaysNo) {
  LoadSinusoid(50, 10, 1.1, 1);
  engine->run.modified = true;
  dialogs.yesNoAnswers = {false};
  dialogs.fieldAnswers = {{}};
  RunPeriodogramCommand(*engine);
  EXPECT_FALSE(FileExists("star.da$"));
  EXPECT_TRUE(FileExists("star_periodogram.dat"));
  EXPECT_FALSE(engine->run.modified);
}

TEST_F(PeriodogramCommandTest, NoQuestionWithoutUnsavedEdits) {
  LoadSinusoid(50, 10, 1.1, 1);
  dialogs.fieldAnswers = {{}};
  RunPeriodogramCommand(*engine);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Periodogram"});
}

TEST_F(PeriodogramCommandTest, AStopLeavesTheDataSetAndNoFile) {
  LoadSinusoid(2000, 100, 1.1, 1);
  const double t1 = engine->data.t[1], x1 = engine->data.x[1];
  host.stopAtProgress = 1;
  dialogs.fieldAnswers = {{"", "20"}};  // 20,001 frequencies by the direct sums
  RunPeriodogramCommand(*engine);
  EXPECT_TRUE(host.Logged("Periodogram stopped: the data set is unchanged"));
  ASSERT_EQ(host.progress.size(), 2u);
  EXPECT_EQ(host.progress[0].what, "Periodogram");
  EXPECT_GE(host.progressEnds, 1);
  EXPECT_EQ(engine->data.n, 2000);
  EXPECT_EQ(engine->data.t[1], t1);
  EXPECT_EQ(engine->data.x[1], x1);
  EXPECT_FALSE(FileExists("star_periodogram.dat"));
}

TEST_F(PeriodogramCommandTest, TheFastMethodTakesOverAboveTenToTheEightPointFrequencies) {
  // 2000 points over 100 days, step 1e-3 per day: 60,001 frequencies up to
  // 60 give 1.2e8 point-frequencies (fast), 40,001 up to 40 give 8e7 (direct).
  const double f0 = 3.21;
  LoadSinusoid(2000, 100, f0, 0.5, 3);
  const double span = Span();
  for (const char* high : {"60", "40"}) {
    host.log.clear();
    // The oversampling that makes the step exactly 1e-3 for this span.
    dialogs.fieldAnswers = {{"", high, RoundTrip(1 / (1e-3 * span))}};
    RunPeriodogramCommand(*engine);
    const bool fast = std::string(high) == "60";
    EXPECT_TRUE(host.Logged(fast ? "Computed by the fast method (extirpolation and FFT)"
                                 : "Computed by the direct sums"))
        << high;
    const auto peak = FirstPeak();
    ASSERT_EQ(peak.size(), 6u);
    EXPECT_LT(std::fabs(peak[1] - f0), 1e-4) << high;
    LoadSinusoid(2000, 100, f0, 0.5, 3);  // the light curve again
  }
}

TEST_F(PeriodogramCommandTest, ErrorsWeightThePoints) {
  // Points with small errors follow 0.5 per day, points with large errors
  // a stronger wave at 1.7 per day: with weights 1/s^2 the first wins.
  std::mt19937 gen(4);
  std::uniform_real_distribution<double> u(0, 30);
  std::vector<double> t(400), x, s;
  for (auto& v : t) v = u(gen);
  std::sort(t.begin(), t.end());
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool good = i % 2 == 0;
    x.push_back(good ? std::cos(2 * kPi * 0.5 * t[i]) : 3 * std::cos(2 * kPi * 1.7 * t[i]));
    s.push_back(good ? 0.01 : 1.0);
  }
  Load(t, x, s);
  dialogs.fieldAnswers = {{"", "3"}};
  RunPeriodogramCommand(*engine);
  auto peak = FirstPeak();
  ASSERT_EQ(peak.size(), 6u);
  EXPECT_NEAR(peak[1], 0.5, 0.01);
  Load(t, x);  // the same points without errors
  host.log.clear();
  dialogs.fieldAnswers = {{"", "3"}};
  RunPeriodogramCommand(*engine);
  peak = FirstPeak();
  ASSERT_EQ(peak.size(), 6u);
  EXPECT_NEAR(peak[1], 1.7, 0.01);
}

TEST_F(PeriodogramCommandTest, AmplitudeSpectrumReplacesTheSignalByTheSemiAmplitude) {
  LoadSinusoid(1000, 30, 2.5, 0.8, 5);
  dialogs.fieldAnswers = {{"", "4", "", "2", "1"}};
  RunPeriodogramCommand(*engine);
  EXPECT_TRUE(host.Logged("Method 2: amplitude spectrum of the discrete Fourier transform"));
  const auto peak = FirstPeak();
  ASSERT_EQ(peak.size(), 5u);  // no false-alarm probability
  EXPECT_NEAR(peak[1], 2.5, 0.1 / (10 * 30));
  EXPECT_NEAR(peak[4], 0.8, 0.1);
  const DataSet& d = engine->data;
  EXPECT_NEAR(d.x[engine->view.j], peak[4], 0.01);
}

struct BadInput {
  std::string name;
  std::function<void(PeriodogramCommandTest&, Engine&)> setUp;
  std::vector<std::string> answers;
  std::string message;
};

class PeriodogramBadInputTest : public PeriodogramCommandTest,
                                public ::testing::WithParamInterface<BadInput> {
 public:
  void LoadTen() {
    std::vector<double> t, x;
    for (int i = 0; i < 10; ++i) {
      t.push_back(i * 0.7);
      x.push_back(std::sin(i));
    }
    Load(t, x);
  }
};

TEST_P(PeriodogramBadInputTest, SaysWhyAndChangesNothing) {
  const BadInput& c = GetParam();
  LoadTen();
  if (c.setUp) c.setUp(*this, *engine);
  const DataSet before = engine->data;
  dialogs.fieldAnswers = {c.answers};
  RunPeriodogramCommand(*engine);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find(c.message), std::string::npos) << host.messages[0];
  EXPECT_TRUE(host.Logged(host.messages[0]));
  const DataSet& d = engine->data;
  EXPECT_EQ(d.n, before.n);
  for (int i = 1; i <= d.n; ++i) {
    EXPECT_EQ(d.t[i], before.t[i]);
    EXPECT_EQ(d.x[i], before.x[i]);
  }
  EXPECT_FALSE(FileExists("star_periodogram.dat"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PeriodogramBadInputTest,
    ::testing::Values(
        BadInput{"TwoVisiblePoints",
                 [](PeriodogramCommandTest&, Engine& e) { e.view.tMax = 0.7; },
                 {},
                 "fewer than 3 visible points"},
        BadInput{"NoTimeSpan",
                 [](PeriodogramCommandTest& t, Engine&) {
                   t.Load({5, 5, 5}, {1, 2, 3});
                 },
                 {},
                 "the visible points span no time"},
        BadInput{"ConstantSignal",
                 [](PeriodogramCommandTest& t, Engine&) {
                   t.Load({1, 2, 3}, {4, 4, 4});
                 },
                 {},
                 "the visible signal is constant"},
        BadInput{"PhaseMode",
                 [](PeriodogramCommandTest&, Engine& e) { e.data.phased = true; },
                 {},
                 "switch phase mode off"},
        BadInput{"ZeroError",
                 [](PeriodogramCommandTest&, Engine& e) {
                   e.data.weightsLoaded = true;
                   e.data.s[4] = 0;
                 },
                 {},
                 "point 4 has the error s=0"},
        BadInput{"HighestNotAboveLowest",
                 nullptr,
                 {"0.5", "0.5"},
                 "the highest frequency must be above the lowest"},
        BadInput{"NegativeLowest", nullptr, {"-1"}, "the lowest frequency must not be negative"},
        BadInput{"ZeroOversampling", nullptr, {"", "", "0"}, "the oversampling must be above 0"},
        BadInput{
            "NegativeOversampling", nullptr, {"", "", "-3"}, "the oversampling must be above 0"},
        BadInput{"GridAboveTenToTheEight", nullptr, {"", "2e6"}, "more than 100000000"},
        BadInput{"NotANumber", nullptr, {"", "abc"}, "\"Highest frequency\" is not a number: abc"},
        BadInput{"MethodThree", nullptr, {"", "", "", "3"}, "\"Method\" must be 1 or 2: 3"},
        BadInput{"PeaksNegative", nullptr, {"", "", "", "", "-1"}, "\"Peaks to list\" must be"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; });

TEST_F(PeriodogramCommandTest, MoreFrequenciesThanTheDataSetHoldsKeepEveryPeak) {
  // Ten points over one day, step 0.1: 1,300,001 frequencies up to 130,000.
  std::vector<double> t, x;
  for (int i = 0; i < 10; ++i) {
    t.push_back(i / 9.0);
    x.push_back(std::cos(2 * kPi * 2 * t.back()) + (i == 3 ? 0.5 : 0));
  }
  Load(t, x);
  AttachCanvas(*engine, nullptr);  // no record of 650,000 crosses
  dialogs.fieldAnswers = {{"", "130000", "", "", "1"}};
  RunPeriodogramCommand(*engine);
  const DataSet& d = engine->data;
  EXPECT_EQ(d.n, (1300001 + 1) / 2);  // the higher of each pair
  EXPECT_TRUE(host.LoggedPart("The data set holds " + Str(static_cast<long long>(d.n)) +
                              " of the 1300001 frequencies"));
  EXPECT_EQ(std::filesystem::file_size(dir / "star_periodogram.dat"),
            std::string("frequency power semi-amplitude\n").size() + 1300001u * 72);
  for (int i = 2; i <= d.n; ++i) ASSERT_GT(d.t[i], d.t[i - 1]);
}

TEST_F(PeriodogramCommandTest, MenuEntryRunsOnlyWhileAKeyIsAwaited) {
  const NamedCommand* c = FindCommand("periodogram1");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->menu, "Periodogram");
  EXPECT_EQ(c->caption, "Periodogram...");
  LoadSinusoid(50, 10, 1.1, 1);
  ASSERT_TRUE(RunNamedCommand(*engine, "Periodogram1"));  // no key wait: refused
  EXPECT_TRUE(host.Logged("!!! IO is not waiting for input"));
  EXPECT_TRUE(dialogs.names.empty());
  // Inside the key loop ":Periodogram1" runs it.
  dialogs.fieldAnswers = {{}};
  host.Add({":Periodogram1", ";"});
  RunKeyLoop(*engine);
  EXPECT_EQ(dialogs.names, std::vector<std::string>{"Periodogram"});
  EXPECT_TRUE(FileExists("star_periodogram.dat"));
}

TEST_F(PeriodogramCommandTest, ConsoleModeReadsOneLinePerFieldAndLeavesTheDataFileAlone) {
  std::string text = "# t V\n";
  std::mt19937 gen(6);
  std::uniform_real_distribution<double> u(0, 20);
  std::vector<double> t(150);
  for (auto& v : t) v = 2451000 + u(gen);
  std::sort(t.begin(), t.end());
  for (double v : t)
    text += Str(v, 13, 5) + " " + Str(10 + 0.3 * std::sin(2 * kPi * 0.9 * v), 7, 4) + " AB\n";
  WriteText("var.dat", text);
  // ":Periodogram1", the five fields (highest 2, the rest kept), then the
  // key loop's ";".
  std::string cmd = "cd '" + dir.string() +
                    "' && printf ':Periodogram1\\n\\n2\\n\\n\\n\\n;\\n' | TERIL_HOME='" +
                    (dir / "home").string() +
                    "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY " --console var.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  const std::string out = ReadText("out.txt");
  EXPECT_NE(out.find("Number of points 150"), std::string::npos) << out;
  EXPECT_NE(out.find("Highest peaks:"), std::string::npos) << out;
  auto lines = ReadLines("var_periodogram.dat");
  ASSERT_GT(lines.size(), 100u);
  EXPECT_EQ(lines[0], "frequency power semi-amplitude");
  EXPECT_EQ(ReadText("var.dat"), text);  // the light curve's file is untouched
}

}  // namespace
}  // namespace teril

// The multi-frequency commands driven through the scripted host and
// dialogs, the key loop and the console mode.
#include "periodicity/prewhitening_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <numbers>
#include <random>
#include <sstream>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "console/key_loop.h"
#include "engine/engine.h"
#include "periodicity/periodogram_command_fixture.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {
namespace {


struct Wave {
  double f, A, phase;  // cycles per day, semi-amplitude, cycles at the mean time
};
// f2 and f3 are no low-order combinations of the others within 1.5/T.
const std::vector<Wave> kWaves{{1.3, 0.5, 0.1}, {2.71, 0.3, 0.55}, {0.47, 0.15, 0.8}};
constexpr double kNoise = 0.01;

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

double CycleMiss(double a, double b) {
  const double d = std::fabs(a - b);
  return std::min(d, 1 - d);
}

class PrewhiteningCommandTest : public PeriodogramCommandTest {
 public:
  std::vector<double> t, x;
  double tMean = 0;

  void Load(const std::vector<double>& tt, const std::vector<double>& xx,
            const std::vector<double>& s = {}) {
    PeriodogramCommandTest::Load(tt, xx, s);
    ResetView(*engine);
  }

  // The waves without noise at time u.
  double Model(double u) const {
    double sum = 10;
    for (const Wave& w : kWaves) sum += w.A * std::sin(2 * kPi * (w.f * (u - tMean) + w.phase));
    return sum;
  }

  // n random times over 30 days, the three waves and Gaussian noise.
  void MakeSeries(int n = 400, unsigned seed = 7) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(0, 30);
    std::normal_distribution<double> noise(0, kNoise);
    t.assign(n, 0);
    for (auto& v : t) v = 2450000 + u(gen);
    std::sort(t.begin(), t.end());
    tMean = 0;
    for (double v : t) tMean += v;
    tMean /= n;
    x.clear();
    for (double v : t) x.push_back(Model(v) + noise(gen));
  }

  void LoadSeries(int n = 400, unsigned seed = 7) {
    MakeSeries(n, seed);
    Load(t, x);
  }

  const FrequencyList& List() const { return engine->prewhitening.list; }
};

TEST_F(PrewhiteningCommandTest, DialogOffersTheSixFieldsWithTheirDefaults) {
  // Spacing 0.5 throughout: the highest frequency defaults to 1 / (2 * 0.5).
  std::vector<double> tt, xx;
  for (int i = 0; i < 20; ++i) {
    tt.push_back(0.5 * i);
    xx.push_back(std::sin(i));
  }
  Load(tt, xx);
  dialogs.fieldAnswers = {{"<cancel>"}};
  RunPrewhiteningCommand(*engine);
  ASSERT_EQ(dialogs.names, std::vector<std::string>{"Prewhitening"});
  EXPECT_EQ(dialogs.shown[0], "Prewhitening");
  std::vector<std::string> shown;
  for (auto& f : dialogs.shownFields[0]) shown.push_back(f.label + "=" + f.value);
  EXPECT_EQ(shown, (std::vector<std::string>{"Lowest frequency=0", "Highest frequency=1",
                                             "Oversampling=10", "Frequencies at most=20",
                                             "Stop at S/N=4", "Noise box=2"}));
  EXPECT_TRUE(List().terms.empty());
  EXPECT_FALSE(engine->prewhitening.optionsSet);
  EXPECT_FALSE(FileExists("star_frequencies.dat"));
}

TEST_F(PrewhiteningCommandTest, FindsTheThreeFrequenciesWithFilesLogAndCurve) {
  LoadSeries();
  dialogs.fieldAnswers = {{"", "5"}};
  RunPrewhiteningCommand(*engine);
  ASSERT_TRUE(host.messages.empty()) << host.messages[0];
  const FrequencyList& list = List();
  ASSERT_EQ(list.terms.size(), 3u);
  const double N = 400, T = t.back() - t.front();
  for (std::size_t i = 0; i < 3; ++i) {
    const SineTerm& v = list.terms[i].value;
    const Wave& w = kWaves[i];  // found in the order of their amplitudes
    // Montgomery & O'Donoghue's errors for the noise put in, by hand.
    const double sf = std::sqrt(6 / N) * kNoise / (kPi * T * w.A);
    EXPECT_LT(std::fabs(v.frequency - w.f), 5 * sf) << i;
    EXPECT_NEAR(v.amplitude, w.A, 5 * std::sqrt(2 / N) * kNoise) << i;
    EXPECT_LT(CycleMiss(v.phase, w.phase), 5 * std::sqrt(2 / N) * kNoise / (2 * kPi * w.A)) << i;
  }
  EXPECT_NEAR(list.tZero, tMean, 1e-6);
  EXPECT_NEAR(list.residualRms, kNoise, 0.15 * kNoise);
  EXPECT_TRUE(host.LoggedPart("Stopped: the highest peak, at "));
  EXPECT_TRUE(host.LoggedPart(", below 4"));
  EXPECT_TRUE(host.LoggedPart("Frequencies: 3; mean "));
  EXPECT_TRUE(host.Logged("Written to star_frequencies.dat and star_prewhitening.dat"));
  // A row per frequency: its number, then the frequency.
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string start = Str(static_cast<long long>(i + 1), 3) + "  ";
    auto row = std::find_if(host.log.begin(), host.log.end(),
                            [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    ASSERT_NE(row, host.log.end()) << start;
    EXPECT_NEAR(*ParseNumber(Words(*row)[1]), kWaves[i].f, 1e-3);
  }

  // number, frequency, sigma, amplitude, sigma, phase, sigma, S/N, label.
  const auto lines = ReadLines("star_frequencies.dat");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("number frequency sigma amplitude sigma phase sigma S/N label", 0), 0u);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto w = Words(lines[i + 1]);
    ASSERT_EQ(w.size(), 9u) << lines[i + 1];
    EXPECT_EQ(w[0], Str(static_cast<long long>(i + 1)));
    const SineTerm& v = list.terms[i].value;
    EXPECT_NEAR(*ParseNumber(w[1]), v.frequency, 1e-12);
    EXPECT_NEAR(*ParseNumber(w[3]), v.amplitude, 1e-13);
    EXPECT_NEAR(*ParseNumber(w[5]), v.phase, 1e-13);
    // The errors of the fit agree with the analytic ones for white noise.
    const double sf = std::sqrt(6 / N) * list.residualRms / (kPi * T * v.amplitude);
    const double sa = std::sqrt(2 / N) * list.residualRms;
    EXPECT_GT(*ParseNumber(w[2]), sf / 2);
    EXPECT_LT(*ParseNumber(w[2]), sf * 2);
    EXPECT_GT(*ParseNumber(w[4]), sa / 2);
    EXPECT_LT(*ParseNumber(w[4]), sa * 2);
    EXPECT_GT(*ParseNumber(w[6]), 0);
    EXPECT_GT(*ParseNumber(w[7]), 20);  // A >= 0.15 over a noise of about 1e-3
    EXPECT_EQ(w[8], "-");
  }
  const auto steps = ReadLines("star_prewhitening.dat");
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0], "step frequency amplitude noise S/N");
  for (std::size_t i = 0; i < 3; ++i) {
    const auto w = Words(steps[i + 1]);
    ASSERT_EQ(w.size(), 5u);
    EXPECT_NEAR(*ParseNumber(w[1]), kWaves[i].f, 0.01);
    EXPECT_NEAR(*ParseNumber(w[4]), *ParseNumber(w[2]) / *ParseNumber(w[3]), 0.01);
  }

  // The curve over the plot: at each column's time, the row of the waves.
  const ViewState& view = engine->view;
  int drawn = 0;
  for (const auto& call : canvas.SinceLastClear()) {
    if (call.op != "LineTo" || !(call.pen == Palette[7])) continue;
    ++drawn;
    const double u = view.tOrigin + (call.c - 130) / view.tScale;
    EXPECT_NEAR(call.d, ToPixelY(view, Model(u)), 2) << call.c;
  }
  EXPECT_GT(drawn, 400);
}

TEST_F(PrewhiteningCommandTest, ErrorsWeightThePoints) {
  // Points with small errors carry the wave at 1.3 per day alone; points
  // with large errors a stronger one at 0.9. Weighted, the first is found
  // first and the second hardly at all.
  MakeSeries(400, 3);
  std::vector<double> s, xx;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool good = i % 2 == 0;
    s.push_back(good ? 0.01 : 1.0);
    xx.push_back(good ? 10 + 0.5 * std::sin(2 * kPi * 1.3 * t[i])
                      : 10 + 2 * std::sin(2 * kPi * 0.9 * t[i]));
  }
  for (bool weighted : {true, false}) {
    Load(t, xx, weighted ? s : std::vector<double>{});
    host.log.clear();
    dialogs.fieldAnswers = {{"", "5", "", "1"}};
    RunPrewhiteningCommand(*engine);
    ASSERT_EQ(List().terms.size(), 1u);
    EXPECT_NEAR(List().terms[0].value.frequency, weighted ? 1.3 : 0.9, 0.01);
    EXPECT_EQ(host.LoggedPart("weights 1/s^2"), weighted);
  }
}

TEST_F(PrewhiteningCommandTest, AStopKeepsTheListOfTheLastFinishedStep) {
  LoadSeries();
  dialogs.fieldAnswers = {{"", "5"}};
  RunPrewhiteningCommand(*engine);
  ASSERT_EQ(List().terms.size(), 3u);
  // The progress reports the frequencies found: the first report of 2 comes
  // after the second step.
  long long stopAt = -1;
  for (std::size_t k = 0; k < host.progress.size(); ++k)
    if (host.progress[k].done == 2 && stopAt < 0) stopAt = static_cast<long long>(k);
  ASSERT_GT(stopAt, 0);
  EXPECT_EQ(host.progress[0].what, "Prewhitening");
  EXPECT_EQ(host.progress[0].total, 20);

  host.progress.clear();
  host.stopAtProgress = stopAt;
  dialogs.fieldAnswers = {{}};
  RunPrewhiteningCommand(*engine);
  EXPECT_TRUE(host.Logged("Stopped by the user; the list is as after the last finished step"));
  const FrequencyList stopped = List();
  ASSERT_EQ(stopped.terms.size(), 2u);
  EXPECT_EQ(ReadLines("star_frequencies.dat").size(), 3u);

  // Two steps by hand give the same list.
  engine->prewhitening.list = FrequencyList();
  host.stopAtProgress = -1;
  ASSERT_TRUE(RunNamedCommand(*engine, "AddHighestPeak1"));
  ASSERT_TRUE(RunNamedCommand(*engine, "AddHighestPeak1"));
  ASSERT_EQ(List().terms.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_DOUBLE_EQ(List().terms[i].value.frequency, stopped.terms[i].value.frequency);
    EXPECT_DOUBLE_EQ(List().terms[i].value.amplitude, stopped.terms[i].value.amplitude);
  }

  // A stop before the first step, and a stop within a step, change nothing.
  for (bool automatic : {true, false}) {
    host.progress.clear();
    host.log.clear();
    host.stopAtProgress = 0;
    dialogs.fieldAnswers = {{}};
    if (automatic) {
      RunPrewhiteningCommand(*engine);
      EXPECT_TRUE(host.Logged("Prewhitening stopped before its first step: the list is unchanged"));
    } else {
      RunAddHighestPeakCommand(*engine);
      EXPECT_TRUE(host.Logged("Add highest peak stopped: the list is unchanged"));
    }
    ASSERT_EQ(List().terms.size(), 2u);
    EXPECT_DOUBLE_EQ(List().terms[1].value.frequency, stopped.terms[1].value.frequency);
    EXPECT_GE(host.progressEnds, 1);
  }
}

TEST_F(PrewhiteningCommandTest, StepsOneAtATimeAddFitAndRemove) {
  LoadSeries();
  dialogs.fieldAnswers = {{"", "5"}};  // asked once, for the first step
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(RunNamedCommand(*engine, "AddHighestPeak1"));
  EXPECT_EQ(dialogs.names, std::vector<std::string>{"Prewhitening"});
  ASSERT_EQ(List().terms.size(), 3u);
  EXPECT_TRUE(host.LoggedPart("Added f3: the peak at 0.4"));
  dialogs.fieldAnswers = {{"2"}};
  ASSERT_TRUE(RunNamedCommand(*engine, "RemoveFrequency1"));
  EXPECT_EQ(dialogs.names.back(), "RemoveFrequency");
  EXPECT_EQ(dialogs.shownFields.back()[0].value, "3");  // the last one offered
  ASSERT_EQ(List().terms.size(), 2u);
  EXPECT_NEAR(List().terms[0].value.frequency, 1.3, 1e-3);
  EXPECT_NEAR(List().terms[1].value.frequency, 0.47, 1e-3);
  // Without f2 the residuals hold its wave: rms 0.3 / sqrt(2) and the noise.
  EXPECT_NEAR(List().residualRms, std::hypot(0.3 / std::sqrt(2.0), kNoise), 0.02);
  EXPECT_TRUE(host.LoggedPart("Removed f2 = 2.7"));
  ASSERT_TRUE(RunNamedCommand(*engine, "FitAll1"));
  EXPECT_TRUE(host.Logged("Fit all: 2 frequencies fitted at once"));
  EXPECT_EQ(ReadLines("star_frequencies.dat").size(), 3u);
  // The one step left finds f2 again.
  ASSERT_TRUE(RunNamedCommand(*engine, "AddHighestPeak1"));
  ASSERT_EQ(List().terms.size(), 3u);
  EXPECT_NEAR(List().terms[2].value.frequency, 2.71, 1e-3);

  dialogs.fieldAnswers = {{"7"}};
  host.messages.clear();
  RunRemoveFrequencyCommand(*engine);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Remove frequency: \"Number\" must be a whole number from 1 to 3: 7");
  EXPECT_EQ(List().terms.size(), 3u);
}

TEST_F(PrewhiteningCommandTest, TooFewPointsForTheNextFrequencyChangeNothing) {
  // Seven points: one frequency and the mean (4 parameters) fit, two (7) not.
  LoadSeries(7);
  dialogs.fieldAnswers = {{"", "5"}};
  RunAddHighestPeakCommand(*engine);
  ASSERT_EQ(List().terms.size(), 1u);
  const double f1 = List().terms[0].value.frequency;
  RunAddHighestPeakCommand(*engine);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "Add highest peak: too few points: 7 points for the 7 parameters of 2 frequencies "
            "and the mean");
  ASSERT_EQ(List().terms.size(), 1u);
  EXPECT_EQ(List().terms[0].value.frequency, f1);
}

struct BadInput {
  std::string name, data;
  std::vector<std::string> answers;
  std::string message;
};

class PrewhiteningBadInputTest : public PrewhiteningCommandTest,
                                 public ::testing::WithParamInterface<BadInput> {};

TEST_P(PrewhiteningBadInputTest, SaysWhyAndChangesNothing) {
  const BadInput& c = GetParam();
  LoadSeries(c.data == "four" ? 4 : 60);
  if (c.data == "span") {
    for (int i = 1; i <= engine->data.n; ++i) engine->data.t[i] = 5;
    engine->view.tMin = engine->view.tMax = 5;
  }
  if (c.data == "phase") engine->data.phased = true;
  if (c.data == "s0") {
    engine->data.weightsLoaded = true;
    engine->data.s[3] = 0;
  }
  // A list from before, which a refusal must leave alone.
  FrequencyList before;
  before.terms.resize(1);
  before.terms[0].value = {0.123, 1, 0.5};
  engine->prewhitening.list = before;
  dialogs.fieldAnswers = {c.answers};
  RunPrewhiteningCommand(*engine);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find(c.message), std::string::npos) << host.messages[0];
  EXPECT_EQ(host.messages[0].rfind("Prewhitening: ", 0), 0u);
  EXPECT_TRUE(host.Logged(host.messages[0]));
  ASSERT_EQ(List().terms.size(), 1u);
  EXPECT_EQ(List().terms[0].value.frequency, 0.123);
  EXPECT_FALSE(engine->prewhitening.optionsSet);
  EXPECT_EQ(engine->data.x[2], x[1]);
  EXPECT_FALSE(FileExists("star_frequencies.dat"));
  EXPECT_FALSE(FileExists("star_prewhitening.dat"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrewhiteningBadInputTest,
    ::testing::Values(
        BadInput{"FourPoints", "four", {}, "too few points: 4 visible points for the 4 parameters"},
        BadInput{"NoTimeSpan", "span", {}, "the visible points span no time"},
        BadInput{"PhaseMode", "phase", {}, "switch phase mode off"},
        BadInput{"ZeroError", "s0", {}, "point 3 has the error s=0"},
        BadInput{"GridBeyondTheLimit", "", {"", "1e9"}, "more than 100000000"},
        BadInput{"HighestNotAboveLowest", "", {"2", "1"}, "must be above the lowest"},
        BadInput{"NoFrequencies", "", {"", "", "", "0"}, "\"Frequencies at most\" must be a whole"},
        BadInput{
            "NegativeStop", "", {"", "", "", "", "-1"}, "\"Stop at S/N\" must not be negative"},
        BadInput{"ZeroNoiseBox", "", {"", "", "", "", "", "0"}, "\"Noise box\" must be above 0"},
        BadInput{"NotANumber", "", {"", "abc"}, "\"Highest frequency\" is not a number: abc"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; });

TEST_F(PrewhiteningCommandTest, ResidualsReplaceTheDataSetAfterTheUnsavedEditsQuestion) {
  RunPrewhiteningResidualsCommand(*engine);  // nothing fitted yet
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "Residuals as data: there is no fit yet; run \"Prewhitening...\" first");

  LoadSeries();
  dialogs.fieldAnswers = {{"", "5"}};
  RunPrewhiteningCommand(*engine);
  ASSERT_EQ(List().terms.size(), 3u);
  engine->run.modified = true;
  // Outside the key loop's wait for a key the item does nothing.
  ASSERT_TRUE(RunNamedCommand(*engine, "PrewhiteningResiduals1"));
  EXPECT_TRUE(host.Logged("!!! IO is not waiting for input"));
  EXPECT_EQ(engine->data.x[1], x[0]);

  dialogs.yesNoAnswers = {true};
  host.Add({":PrewhiteningResiduals1", ";"});
  RunKeyLoop(*engine);
  EXPECT_NE(dialogs.shown.back().find("unsaved changes. Save them to star.da$ before the "
                                      "residuals replace it?"),
            std::string::npos);
  const auto saved = ReadLines("star.da$");  // the light curve, before the residuals
  ASSERT_EQ(saved.size(), 400u);
  for (std::size_t i = 0; i < 400; ++i) {
    EXPECT_NEAR(*ParseNumber(Words(saved[i])[0]), t[i], 1e-5);
    EXPECT_NEAR(*ParseNumber(Words(saved[i])[1]), x[i], 1e-5);
  }
  const DataSet& d = engine->data;
  ASSERT_EQ(d.n, 400);
  double sum = 0;
  for (int i = 1; i <= d.n; ++i) {
    EXPECT_EQ(d.t[i], t[i - 1]);
    // What is left is the noise put in, up to the errors of the fit.
    const double noise = x[i - 1] - Model(t[i - 1]);
    EXPECT_NEAR(d.x[i], noise, 0.005) << i;
    sum += d.x[i] * d.x[i];
  }
  EXPECT_NEAR(std::sqrt(sum / d.n), kNoise, 0.15 * kNoise);
  // The residuals are unsaved: the end of the run says so.
  EXPECT_TRUE(std::any_of(canvas.calls.begin(), canvas.calls.end(), [](const auto& c) {
    return c.text == "Write reduced data to file > star.da$  (F2) or quit (Esc)";
  }));
  EXPECT_TRUE(List().terms.empty());
  EXPECT_FALSE(List().fitted);
  EXPECT_TRUE(host.LoggedPart("Residuals as data: 400 points, x := x - the model of 3"));
}

TEST_F(PrewhiteningCommandTest, SpectralWindowOfRegularTimesFollowsItsClosedForm) {
  // N = 50 times dt = 0.1 apart: W(f) = |sin(pi f N dt) / (N sin(pi f dt))|,
  // 1 at f = 0 and again at the alias f = 1/dt = 10.
  const int N = 50;
  const double dt = 0.1;
  std::vector<double> tt, xx;
  for (int j = 0; j < N; ++j) {
    tt.push_back(100 + j * dt);
    xx.push_back(std::cos(j));
  }
  Load(tt, xx);
  dialogs.fieldAnswers = {{"", "12", ""}};
  ASSERT_TRUE(RunNamedCommand(*engine, "SpectralWindow1"));
  ASSERT_EQ(dialogs.names, std::vector<std::string>{"SpectralWindow"});
  EXPECT_EQ(dialogs.shown[0], "Spectral window");
  const auto lines = ReadLines("star_window.dat");
  const double span = (N - 1) * dt, step = 1 / (10 * span);
  const std::size_t count = static_cast<std::size_t>(std::floor(12 / step + 1e-9)) + 1;
  ASSERT_EQ(lines.size(), count + 1);
  EXPECT_EQ(lines[0], "frequency window");
  EXPECT_NEAR(*ParseNumber(Words(lines[1])[1]), 1, 1e-12);
  EXPECT_EQ(*ParseNumber(Words(lines[1])[0]), 0);
  for (std::size_t k = 1; k < count; ++k) {
    const auto w = Words(lines[k + 1]);
    ASSERT_EQ(w.size(), 2u);
    const double f = *ParseNumber(w[0]);
    EXPECT_NEAR(f, k * step, 1e-12);
    // The closed form, and next to the alias at 10 (where it is 0/0) the
    // definition.
    const double den = N * std::sin(kPi * f * dt);
    double expected = std::fabs(std::sin(kPi * f * N * dt) / den);
    if (std::fabs(den) < 1e-3) {
      std::complex<double> sum = 0;
      for (double u : tt) sum += std::polar(1.0, 2 * kPi * f * u);
      expected = std::abs(sum) / N;
    }
    EXPECT_NEAR(*ParseNumber(w[1]), expected, 1e-9) << f;
  }
  EXPECT_TRUE(host.LoggedPart("Highest peak above 1/T = "));
  EXPECT_TRUE(host.LoggedPart(": frequency 9.9") || host.LoggedPart(": frequency 10"));
  EXPECT_TRUE(host.Logged("Written to star_window.dat"));
  EXPECT_EQ(engine->data.n, N);  // the data set stays

  // A stop leaves no file; a grid beyond the limit is refused.
  std::filesystem::remove("star_window.dat");
  host.stopAtProgress = 0;
  dialogs.fieldAnswers = {{"", "12", ""}};
  RunSpectralWindowCommand(*engine);
  EXPECT_TRUE(host.Logged("Spectral window stopped: no file written"));
  EXPECT_FALSE(FileExists("star_window.dat"));
  host.stopAtProgress = -1;
  dialogs.fieldAnswers = {{"", "1e9", ""}};
  RunSpectralWindowCommand(*engine);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("Spectral window: the grid would have"), std::string::npos);
  EXPECT_FALSE(FileExists("star_window.dat"));
}

TEST_F(PrewhiteningCommandTest, ItemsFollowPeriodogramInItsMenu) {
  std::vector<std::string> items;
  for (const NamedCommand& c : Commands())
    if (c.menu == "Periodogram") items.push_back(c.name + " " + c.caption);
  auto periodogram = std::find(items.begin(), items.end(), "Periodogram1 Periodogram...");
  ASSERT_NE(periodogram, items.end());
  items.erase(items.begin(), periodogram);
  EXPECT_EQ(items,
            (std::vector<std::string>{
                "Periodogram1 Periodogram...", "Prewhitening1 Prewhitening...",
                "AddHighestPeak1 Add highest peak", "FitAll1 Fit all",
                "RemoveFrequency1 Remove frequency", "PrewhiteningResiduals1 Residuals as data",
                "SpectralWindow1 Spectral window..."}));
}

TEST_F(PrewhiteningCommandTest, NewFileStartsWithAnEmptyList) {
  LoadSeries();
  dialogs.fieldAnswers = {{"", "5"}};
  RunPrewhiteningCommand(*engine);
  ASSERT_FALSE(List().terms.empty());
  engine->StartFile();
  EXPECT_TRUE(List().terms.empty());
  EXPECT_FALSE(engine->prewhitening.optionsSet);
}

// The console mode reaches every command by name, one line per field.
TEST_F(PrewhiteningCommandTest, ConsoleModeRunsTheWorkflowByName) {
  MakeSeries(300, 11);
  std::string text;
  for (std::size_t i = 0; i < t.size(); ++i) text += Str(t[i], 14, 5) + Str(x[i], 10, 5) + "\n";
  WriteText("lc.dat", text);
  const std::string script =
      ":Prewhitening1\\n\\n5\\n\\n\\n\\n\\n"
      ":SpectralWindow1\\n\\n3\\n\\n"
      ":RemoveFrequency1\\n3\\n:FitAll1\\n:AddHighestPeak1\\n"
      ":PrewhiteningResiduals1\\n~2\\n;\\n";
  const std::string cmd = "cd '" + dir.string() + "' && printf '" + script + "' | TERIL_HOME='" +
                          (dir / "home").string() +
                          "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY
                          " --console lc.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  const std::string out = ReadText("out.txt");
  EXPECT_NE(out.find("Frequencies: 3; mean "), std::string::npos) << out;
  EXPECT_NE(out.find("Removed f3 = 0.4"), std::string::npos) << out;
  EXPECT_NE(out.find("Fit all: 2 frequencies fitted at once"), std::string::npos) << out;
  EXPECT_NE(out.find("Added f3: the peak at 0.4"), std::string::npos) << out;
  EXPECT_NE(out.find("Residuals as data: 300 points"), std::string::npos) << out;
  EXPECT_EQ(ReadLines("lc_frequencies.dat").size(), 4u);
  EXPECT_EQ(ReadLines("lc_prewhitening.dat").size(), 5u);  // three steps, then one more
  EXPECT_GT(ReadLines("lc_window.dat").size(), 100u);
  // The residuals saved by "~2": the noise put in, 5 decimals a value.
  const auto saved = ReadLines("lc$.dat");
  ASSERT_EQ(saved.size(), 300u);
  double sum = 0;
  for (const auto& line : saved) sum += std::pow(*ParseNumber(Words(line)[1]), 2);
  EXPECT_NEAR(std::sqrt(sum / 300), kNoise, 0.2 * kNoise);
}

}  // namespace
}  // namespace teril

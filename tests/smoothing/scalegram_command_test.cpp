// The running parabola scalegram command: dialog, log, records, sorting,
// stopping and refusals; the scalegram-to-periodogram item.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "console/file_run.h"
#include "data/settings.h"
#include "engine/engine.h"
#include "smoothing/scalegram.h"
#include "smoothing/smoothing_fixture.h"

namespace teril {
namespace {

class ScalegramCommandTest : public testing::SmoothingTest {
 protected:
  void LoadUneven(int n, std::uint64_t seed = 9) {
    std::vector<double> t, x;
    testing::UnevenSeries(n, seed, t, x);
    Load(t, x);
  }
  std::optional<ScalegramRecord> StepOf(double dt) {
    const DataSet& d = engine->data;
    return ScalegramStep(d.t.data(), d.x.data(), d.n, dt, 1, {}, nullptr);
  }
};

TEST_F(ScalegramCommandTest, DialogShowsThePresetsOfTheData) {
  std::vector<double> t, x;
  for (int i = 1; i <= 100; ++i) t.push_back(i), x.push_back(std::sin(i));
  Load(t, x);
  RunningParabolaScalegram(*engine);  // no answer: the dialog is cancelled
  ASSERT_EQ(dialogs.names, (std::vector<std::string>{"Fm3RP2"}));
  EXPECT_EQ(dialogs.shown.back(), "Running Parabola ScaleGram");
  const auto& f = dialogs.shownFields.back();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].label, "20*lg(Dt_min)=");
  EXPECT_EQ(f[0].value, "7");
  EXPECT_EQ(f[1].label, "20*lg(Dt_max)=");
  EXPECT_EQ(f[1].value, "40");
  EXPECT_TRUE(f[0].valid("-12"));
  EXPECT_FALSE(f[1].valid("1.5"));
  EXPECT_FALSE(FileExists("star_r2.dat"));
  EXPECT_TRUE(engine->checks.sorted);
}

TEST_F(ScalegramCommandTest, EachScaleLogsAndAppendsItsRecord) {
  LoadUneven(2500);
  dialogs.fieldAnswers = {{"0", "2"}};
  RunningParabolaScalegram(*engine);
  // dt = 10^(k/20) for k = 0, 1, 2; the log counts down to 0.
  const std::vector<double> dts{1, std::pow(10.0, 0.05), std::pow(10.0, 0.1)};
  EXPECT_GE(LogIndex("RP Scalegram 1   DT=1.12201845430196"), 0);
  EXPECT_GE(LogIndex("RP Scalegram 0   DT=1.25892541179417"), 0);
  const int first = LogIndex("RP Scalegram 2   DT=1");
  EXPECT_EQ(host.log[first + 1], "i=1000 dt=1");
  EXPECT_EQ(host.log[first + 2], "i=2000 dt=1");
  auto lines = ReadLines("star_r2.dat");
  ASSERT_EQ(lines.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    auto r = StepOf(dts[k]);
    ASSERT_TRUE(r);
    EXPECT_EQ(lines[k], FormatScalegramRecord(*r));
  }
  // One progress step per scale, counted in centres.
  ASSERT_EQ(host.progress.size(), 3u);
  EXPECT_EQ(host.progress[2].done, 7500);
  EXPECT_EQ(host.progress[2].total, 7500);
  // A second run appends.
  dialogs.fieldAnswers = {{"0", "0"}};
  RunningParabolaScalegram(*engine);
  EXPECT_EQ(ReadLines("star_r2.dat").size(), 4u);
}

TEST_F(ScalegramCommandTest, CancelStopsAfterTheScaleInProgress) {
  LoadUneven(300);
  host.stopAtProgress = 1;  // the second step answers "stop"
  dialogs.fieldAnswers = {{"10", "20"}};
  RunningParabolaScalegram(*engine);
  EXPECT_EQ(ReadLines("star_r2.dat").size(), 2u);
  EXPECT_TRUE(host.LoggedPart("RP Scalegram stopped after DT="));
  EXPECT_FALSE(host.LoggedPart("RP Scalegram 8 "));
}

TEST_F(ScalegramCommandTest, UnsortedDataAreSortedFirst) {
  Load({3, 1, 2, 5, 4, 6, 7, 8, 9, 10}, {3, 1, 2, 5, 4, 6, 7, 8, 9, 10});
  dialogs.fieldAnswers = {{"<cancel>"}};
  RunningParabolaScalegram(*engine);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Data were sorted just now!  k=11");
  for (int i = 1; i <= 10; ++i) {
    EXPECT_EQ(engine->data.t[i], i);
    EXPECT_EQ(engine->data.x[i], i);  // whole points moved
  }
  EXPECT_TRUE(engine->checks.sorted);
}

TEST_F(ScalegramCommandTest, FieldsThatAreNotUsableIntegersStopTheCommand) {
  LoadUneven(100);
  dialogs.fieldAnswers = {{"abc", ""}, {"0", "7000"}};
  RunningParabolaScalegram(*engine);
  RunningParabolaScalegram(*engine);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0], "\"abc\" is not an integer; the scalegram is not computed");
  EXPECT_EQ(host.messages[1],
            "20*lg(Dt_max)= 7000 is outside -6000..6000; the scalegram is not computed");
  EXPECT_FALSE(FileExists("star_r2.dat"));
  EXPECT_FALSE(host.LoggedPart("RP Scalegram"));
}

TEST_F(ScalegramCommandTest, RecordsHoldNoUndefinedNumbersDownToThePresetScale) {
  LoadUneven(400, 13);
  const ScalegramRange preset = ScalegramPresets(engine->data.t.data(), engine->data.n);
  dialogs.fieldAnswers = {{"", ""}};
  RunningParabolaScalegram(*engine);
  const auto lines = ReadLines("star_r2.dat");
  EXPECT_GT(lines.size(), 10u);
  EXPECT_LE(lines.size(), static_cast<std::size_t>(preset.k2 - preset.k1 + 1));
  for (const std::string& l : lines) {
    EXPECT_EQ(l.size(), 13u + 6 + 6 + 7 * 12) << l;
    EXPECT_EQ(l.find("NaN"), std::string::npos) << l;
    EXPECT_EQ(l.find("Inf"), std::string::npos) << l;
  }
}

// Scalegram->Periodogram sends code 7: the derivative of x^2 at the
// mid-points.
class ScalegramPeriodogramTest : public testing::EngineTest {};

TEST_F(ScalegramPeriodogramTest, ThreePointsOnTheDiagonal) {
  const std::string path = WriteText("sg.dat", "1 1\n2 2\n3 3\n");
  host.Add({":ScalegramPeriodogram1", ";"});
  ResetEngine(*engine, true);
  RunDataFile(*engine, path);
  const DataSet& d = engine->data;
  ASSERT_EQ(d.n, 2);
  // ((2^2 - 1^2)/1 at 1.5, (3^2 - 2^2)/1 at 2.5.
  EXPECT_DOUBLE_EQ(d.t[1], 1.5);
  EXPECT_DOUBLE_EQ(d.x[1], 3);
  EXPECT_DOUBLE_EQ(d.t[2], 2.5);
  EXPECT_DOUBLE_EQ(d.x[2], 5);
  EXPECT_LE(engine->view.lastVisible, 2);
}

TEST(RunningParabolaRegistry, ItemsShortcutAndMenus) {
  const NamedCommand* p = FindCommand("Runningparabola1");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->name, "parabola");
  EXPECT_EQ(ShortcutOwner("Shift+F6"), p);
  for (const char* name : {"RP_Table", "RunningParabolaScalegram1", "ScalegramPeriodogram1"}) {
    const NamedCommand* c = FindCommand(name);
    ASSERT_NE(c, nullptr) << name;
    EXPECT_EQ(c->menu, "RuPar");
    EXPECT_FALSE(c->visible);
  }
  // In the Mean menu between Histogram and Mean Error.
  const auto& all = Commands();
  auto at = [&](const char* name) {
    return std::find_if(all.begin(), all.end(), [&](auto& c) { return c.name == name; });
  };
  EXPECT_EQ(at("ScalegramMean1") - at("Histogram"), 1);
  EXPECT_EQ(at("MeanError1") - at("ScalegramMean1"), 1);
}

}  // namespace
}  // namespace teril

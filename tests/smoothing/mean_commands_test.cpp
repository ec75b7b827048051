// The Mean menu, Change NNH, and the means run from the key loop and from
// the console mode.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "console/file_run.h"
#include "data/settings.h"
#include "plot/draw.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class MeanMenuKey : public testing::EngineTest,
                    public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(MeanMenuKey, HandsItsKeyToTheWaitingEngine) {
  engine->console.waitingForInput = 1;
  engine->console.inputMode = kModeKey;
  engine->console.atCommandKey = true;
  ASSERT_TRUE(RunNamedCommand(*engine, GetParam().first));
  EXPECT_EQ(engine->console.answer, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Items, MeanMenuKey,
                         ::testing::Values(std::make_pair("Mean2", "~4"),
                                           std::make_pair("Mean3", "~M"),
                                           std::make_pair("Histogram1", "~}"),
                                           std::make_pair("MeanError1", "\x17")));

TEST(MeanMenu, CaptionsAndShortcuts) {
  EXPECT_EQ(FindCommand("Mean2")->caption, "Bin Mean");
  EXPECT_EQ(FindCommand("Mean3")->caption, "Point Mean");
  EXPECT_FALSE(FindCommand("Histogram1")->visible);
  EXPECT_EQ(ShortcutOwner("F4")->name, "Mean");
  EXPECT_EQ(ShortcutOwner("F5")->name, "Histogram");  // hidden, but an action
}

class ChangeNNHAnswer : public testing::EngineTest,
                        public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(ChangeNNHAnswer, TakesOneTo500AndOtherwise500AndWritesTheSettings) {
  ResetEngine(*engine, true);  // the work folder with its settings file
  engine->eph.NNH = 33;
  host.inputBoxAnswers = {GetParam().first};
  ASSERT_TRUE(RunNamedCommand(*engine, "ChangeNNH"));
  const std::string expected = Str(static_cast<long long>(GetParam().second));
  EXPECT_EQ(Str(static_cast<long long>(engine->eph.NNH)), expected);
  EXPECT_TRUE(host.Logged("NNH is now=" + expected + " from 500"));
  std::string line = ReadFileIfExists(SettingsPath(*engine)).value_or("");
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  EXPECT_EQ(line.substr(line.rfind(' ') + 1), expected);  // NNH ends the line
}

INSTANTIATE_TEST_SUITE_P(Answers, ChangeNNHAnswer,
                         ::testing::Values(std::make_pair("0", 500), std::make_pair("501", 500),
                                           std::make_pair("abc", 500), std::make_pair("2.5", 500),
                                           std::make_pair("1", 1), std::make_pair("20", 20)));

class MeanRunTest : public testing::EngineTest {
 protected:
  // t = 1..20, x = 10 + t/100, errors t/100 in the third field.
  void Series() {
    std::string text;
    for (int i = 1; i <= 20; ++i)
      text += Str(i, 6, 2) + " " + Str(10 + i / 100.0, 6, 3) + " " + Str(i / 100.0, 5, 2) + "\n";
    WriteText("run.dat", text);
  }
};

TEST_F(MeanRunTest, EveryKeyRunsInAFileRunAndTheWaitsConsumeTheirKeys) {
  Series();
  testing::RecordingCanvas canvas;
  engine->run.columnS = 2;  // s is the third field
  // Each "3" ends a wait; were it dispatched, the current point would move.
  host.Add({"~4", "3", "~M", "3",  "~}", "3", "W", "^W", "K", "^W",
            "QI", "0", "5",  "10", "",   "",  "",  "",   "",  ";"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  RunDataFile(*engine, (dir / "run.dat").string());
  EXPECT_EQ(engine->view.j, 1);
  EXPECT_EQ(ReadLines("_f4.dat").size(), 8u);        // NNH 8
  EXPECT_EQ(ReadLines("run_8mean.dat").size(), 3u);  // 8 + 8 + 4 points
  EXPECT_EQ(ReadLines("_hist.dat").size(), 25u);
  auto drew = [&canvas](const std::string& text) {
    for (auto& c : canvas.calls)
      if (c.op == "Text" && c.text == text) return true;
    return false;
  };
  EXPECT_TRUE(drew(" nj=20"));  // sigma statistics, then the mean error
  EXPECT_TRUE(drew("No weights loaded"));
  EXPECT_EQ(ReadLines("intertab.dat"),
            (std::vector<std::string>{"    0.000000   10.000000", "    5.000000   10.050000"}));
  EXPECT_TRUE(host.answers.empty());
}

TEST_F(MeanRunTest, TheConsoleModeReadsTheWaitsAndThePromptsAsLines) {
  Series();
  std::string cmd = "cd '" + dir.string() +
                    "' && printf '~4\\n\\n~}\\n\\n:ChangeNNH\\n4\\n~4\\n\\n;\\n' | TERIL_HOME='" +
                    (dir / "home").string() +
                    "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY " --console run.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  EXPECT_EQ(ReadLines("_f4.dat").size(), 12u) << ReadText("out.txt");  // 8 bins, then 4
  EXPECT_EQ(ReadLines("_hist.dat").size(), 25u);
  EXPECT_NE(ReadText("out.txt").find("NNH is now=4 from 500"), std::string::npos);
}

}  // namespace
}  // namespace teril

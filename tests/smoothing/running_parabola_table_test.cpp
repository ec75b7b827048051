// RP_Table: the prompts and their defaults, the grid and its acceptance
// rules, the formats, and the engine's key wait around the prompts.
#include <gtest/gtest.h>

#include <algorithm>

#include "console/file_run.h"
#include "data/settings.h"
#include "engine/engine.h"
#include "smoothing/running_parabola.h"
#include "smoothing/smoothing_fixture.h"

namespace teril {
namespace {

// A scripted host that also records the prompt pending at each wait.
class PromptHost : public testing::ScriptedHost {
 public:
  std::vector<std::string> prompts;
  void Wait(Console& console) override {
    prompts.push_back(console.pendingPrompt);
    ScriptedHost::Wait(console);
  }
};

class RunningParabolaTableTest : public testing::TempFolderTest {
 protected:
  PromptHost host;
  testing::ScriptedDialogs dialogs;
  std::unique_ptr<Engine> engine;

  void SetUp() override {
    TempFolderTest::SetUp();
    EngineOptions o;
    o.workFolder = (dir / "work").string();
    engine = std::make_unique<Engine>(host, dialogs, o);
    engine->console.writeLogFile = false;
    engine->run.inputFile = "star.dat";
  }
  void TearDown() override {
    engine.reset();
    TempFolderTest::TearDown();
  }

  void Load(const std::vector<double>& t, const std::vector<double>& x, double lo, double hi) {
    DataSet& d = engine->data;
    d.n = static_cast<int>(t.size());
    for (int i = 0; i < d.n; ++i) {
      d.t[i + 1] = t[i];
      d.x[i + 1] = x[i];
    }
    engine->view.xMinAll = lo;
    engine->view.xMaxAll = hi;
  }

  // t = 0, h, 2h, ... 20 with x = 1 + t/10 (range 1 .. 3).
  void Line(double h = 1) {
    std::vector<double> t, x;
    for (int i = 0; i * h <= 20 + 1e-9; ++i) {
      t.push_back(i * h);
      x.push_back(1 + i * h / 10);
    }
    Load(t, x, 1, 3);
  }

  void Answer(std::initializer_list<std::string> lines) { host.Add(lines); }
};

TEST_F(RunningParabolaTableTest, DefaultsGiveTheGridOfWholeTimesInElevenAndNineCharacters) {
  Line();
  Answer({"", "3", "", "", "", "", "", "", "", ""});
  RunningParabolaTable(*engine);
  EXPECT_EQ(host.prompts, (std::vector<std::string>{"Output file > [rp1.dat]", "Delta t > [50] ",
                                                    "U0 > [0.7] ", "Step in table > [1] ",
                                                    "Start time > [0] ", "Final time > [20] ",
                                                    "j1=[11]", "j2=[5]", "j3=[9]", "j4=[5]"}));
  EXPECT_EQ(engine->runningParabola.rpDeltaT, 3);
  // At t = 0 and 20 the window holds three points within U0 = 0.7 of the
  // centre, too few; every time between is written, on the line.
  auto lines = ReadLines("rp1.dat");
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(lines[0], "    1.00000   1.10000");
  EXPECT_EQ(lines[9], "   10.00000   2.00000");
  EXPECT_EQ(lines[18], "   19.00000   2.90000");
  const std::vector<std::string> expected{"RP computation",
                                          " if using, please refer to:",
                                          RunningParabolaCitation(),
                                          "Input file > star.dat",
                                          "OUT<<",
                                          "Output file > rp1.dat"};
  EXPECT_EQ(std::vector<std::string>(host.log.begin(), host.log.begin() + 6), expected);
  EXPECT_TRUE(host.Logged("Output format: Time:j1:j2, Smooth_curve:j3:j4 > "));
  EXPECT_EQ(host.log.back(), "RuPar table finished");
}

// The table is never written over the data file, whichever way it is named.
TEST_F(RunningParabolaTableTest, TheDataFileIsRefusedAsTheOutputAndAnotherNameAsked) {
  Line();
  const std::string data = "1 2\n3 4\n";
  WriteText("rp1.dat", data);
  engine->run.inputFile = "rp1.dat";  // an earlier table opened to look at
  Answer({"", "./rp1.dat", "table.dat", "3", "", "", "", "", "", "", "", ""});
  RunningParabolaTable(*engine);
  EXPECT_EQ(ReadText("rp1.dat"), data);
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(),
                       "rp1.dat is the data file; choose another name for the table"),
            1);
  EXPECT_TRUE(host.Logged("./rp1.dat is the data file; choose another name for the table"));
  EXPECT_EQ(ReadLines("table.dat").size(), 19u);
}

TEST_F(RunningParabolaTableTest, ValuesOutsideTheWholeSetRangeAreNotWritten) {
  Line();
  // The range taken from an inverse view (xMinAll above xMaxAll): values
  // 1.45 .. 2.05 are written, that is t = 5 .. 10.
  engine->view.xMinAll = 2.05;
  engine->view.xMaxAll = 1.45;
  Answer({"range.dat", "3", "", "", "", "", "", "", "", ""});
  RunningParabolaTable(*engine);
  auto lines = ReadLines("range.dat");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines.front(), "    5.00000   1.50000");
  EXPECT_EQ(lines.back(), "   10.00000   2.00000");
}

TEST_F(RunningParabolaTableTest, AGridPointWithAllItsPointsOnOneSideWritesNoLine) {
  Line(0.1);
  engine->view.xMinAll = -100;
  engine->view.xMaxAll = 100;
  Answer({"", "3", "", "0.1", "19.95", "20.1", "", "", "", ""});
  RunningParabolaTable(*engine);
  auto lines = ReadLines("rp1.dat");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "   19.95000   2.99500");
  // 20.05 lies beyond the last point: about 20 points within U0 on its
  // left, none on its right.
}

TEST_F(RunningParabolaTableTest, FormatsAndRefusedAnswers) {
  Line();
  Answer({"", "3", "", "", "1", "1", "8", "2", "6", "3"});
  RunningParabolaTable(*engine);
  EXPECT_EQ(ReadLines("rp1.dat"), (std::vector<std::string>{"    1.00  1.100"}));
  // dt and step must be positive, the formats integers within limits: the
  // values in brackets stay.
  Answer({"", "-2", "", "0", "1", "1", "abc", "99", "", ""});
  RunningParabolaTable(*engine);
  EXPECT_EQ(engine->runningParabola.rpDeltaT, 3);
  EXPECT_EQ(ReadLines("rp1.dat"), (std::vector<std::string>{"    1.00000   1.10000"}));
  for (const char* line :
       {"!!! Delta t must be positive; it stays 3", "!!! The step must be positive; it stays 1",
        "\"abc\" is not an integer in 0..60; j1 stays 11",
        "\"99\" is not an integer in 0..30; j2 stays 5"})
    EXPECT_TRUE(host.Logged(line)) << line;
  // A grid of 2e10 lines would never end.
  Answer({"", "", "", "1e-9", "", "", "", "", "", ""});
  RunningParabolaTable(*engine);
  EXPECT_TRUE(host.LoggedPart("lines; choose a larger step"));
}

TEST_F(RunningParabolaTableTest, UnsortedOrEmptyDataAskNothing) {
  Load({0, 2, 1, 3, 4}, {1, 2, 3, 4, 5}, 1, 5);
  RunningParabolaTable(*engine);
  EXPECT_TRUE(host.LoggedPart("not sorted by t (point 3)"));
  Load({}, {}, 0, 0);
  RunningParabolaTable(*engine);
  EXPECT_TRUE(host.Logged("!!! Running parabola table: no points"));
  EXPECT_TRUE(host.prompts.empty());
}

// In a file run the table's answers must not reach the key loop: the last
// answer "5" would otherwise delete the current point, and an emptied
// answer would repeat the key before the table ("3", the next point).
class RunningParabolaTableRunTest : public testing::EngineTest {};

TEST_F(RunningParabolaTableRunTest, TheKeyWaitGoesOnAfterTheTable) {
  std::string text;
  for (int i = 0; i <= 20; ++i)
    text += std::to_string(i) + " " + std::to_string(1 + i / 10.0) + "\n";
  const std::string path = WriteText("line.dat", text);
  host.Add({"3", ":RP_Table", "", "3", "", "", "", "", "", "", "", "5", ";"});
  ResetEngine(*engine, true);
  RunDataFile(*engine, path);
  EXPECT_EQ(engine->data.n, 21);
  EXPECT_EQ(engine->view.j, 2);
  EXPECT_EQ(ReadLines("rp1.dat").size(), 19u);
  EXPECT_TRUE(host.answers.empty());
}

}  // namespace
}  // namespace teril

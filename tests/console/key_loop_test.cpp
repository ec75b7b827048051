// Whole file runs driven by scripted keys.
#include "console/key_loop.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "console/file_run.h"
#include "data/settings.h"
#include "plot/draw.h"
#include "support/recording_canvas.h"
#include "support/file_run_fixture.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class KeyLoopTest : public testing::FileRunTest {
 protected:
  // Ten points t = 1..10, x = 10 + t/10 ("0.1" steps), observers A and B.
  std::string TenPoints(const std::string& name = "star.dat") {
    std::string text = "# t x obs\n";
    for (int i = 1; i <= 10; ++i)
      text += std::to_string(i) + ".000 " + std::to_string(10 + i) + ".50 " +
              (i % 2 ? "A" : "B") + "\n";
    return WriteText(name, text);
  }

  bool DrewText(const std::string& part) const {
    for (auto& c : canvas.calls)
      if (c.op == "Text" && c.text.find(part) != std::string::npos) return true;
    return false;
  }
};

TEST_F(KeyLoopTest, MovingPastEitherEndWrapsRound) {
  std::string path = TenPoints();
  // "1" on the first point goes to the last; "3" there goes back to the first.
  host.Add({"1"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  host.answers.push_back(":nothing");  // an unknown name is logged and the wait goes on
  host.answers.push_back(";");
  RunDataFile(*engine, path);
  EXPECT_EQ(engine->view.j, 10);
  Run(path, {"1", "3", "6", ";"});  // 1 -> 10 -> 1 -> +100 wraps to 101 mod 10 = 1
  EXPECT_EQ(engine->view.j, 1);
  Run(path, {"3", "3", "4", ";"});  // 3 - 100 = -97 -> mod 10 = -7 -> 3
  EXPECT_EQ(engine->view.j, 3);
}

TEST_F(KeyLoopTest, ZoomInFiveTimesAndOutFiveTimesRestoresTheWindow) {
  std::string path = TenPoints();
  Run(path, {"3", "3", "3", "3", "+", "+", "+", "+", "+", "-", "-", "-", "-", "-", ";"});
  EXPECT_DOUBLE_EQ(engine->view.tMin, 1.0);
  EXPECT_DOUBLE_EQ(engine->view.tMax, 10.0);
  EXPECT_EQ(engine->view.firstVisible, 1);
  EXPECT_EQ(engine->view.lastVisible, 10);
}

TEST_F(KeyLoopTest, EscWithUnsavedDeletionsWarnsOnceThenEnds) {
  std::string path = TenPoints();
  Run(path, {"5", "\x1b", "\x1b"});
  EXPECT_TRUE(DrewText("Write reduced data to file > star.da$  (F2) or quit (Esc)"));
  EXPECT_EQ(engine->data.n, 9);
  EXPECT_FALSE(std::filesystem::exists(dir / "star.da$"));
  EXPECT_EQ(host.answers.size(), 0u);
  EXPECT_EQ(host.captions.back(), "ZR : ...");
}

TEST_F(KeyLoopTest, SaveAfterTheWarningSavesAndEndsTheRun) {
  std::string path = TenPoints();
  Run(path, {"5", "\x1b", "~2", "3"});
  auto lines = ReadLines("star.da$");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0].substr(0, 7), " 2.000 ");
  // The run ended with the save: the key "3" after it was never read.
  EXPECT_EQ(host.answers.size(), 1u);
  auto discard = ReadLines("discard0.qvx");
  ASSERT_EQ(discard.size(), 1u);
  EXPECT_EQ(discard[0].substr(0, 9), "star.dat ");
  EXPECT_EQ(discard[0].substr(discard[0].size() - 5), " -1 A");
}

TEST_F(KeyLoopTest, DeletingTheLastPointMovesToTheFirst) {
  std::string path = TenPoints();
  Run(path, {"~d", "5", "\x1b", "\x1b"});
  EXPECT_EQ(engine->data.n, 9);
  EXPECT_EQ(engine->view.j, 1);
}

TEST_F(KeyLoopTest, ColumnChangeReloadsWithTheNewColumnAndClearsTheFlags) {
  std::string path = WriteText("four.dat", "1.0 5 6 7.25 AB\n2.0 5 6 8.25 CD\n");
  host.Add({"Y"});  // lg x on
  host.Add({"C"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  // The "Column x" dialog sets the column before it sends C.
  host.answers.push_front(":Save");  // harmless named command first (nothing modified)
  engine->run.columnX = 1;
  host.answers.clear();
  host.Add({"Y"});
  RunDataFile(*engine, path);  // ends on the Esc given at the end of the answers
  EXPECT_TRUE(engine->run.flags.lgX);
  engine->run.columnX = 3;
  host.Add({"C", ";"});
  // Start again from the loaded state: "C" reloads with column 3.
  ResetEngine(*engine, true);
  engine->run.columnX = 3;
  engine->run.flags.lgX = true;
  RunDataFile(*engine, path);
  EXPECT_FALSE(engine->run.flags.lgX);
  EXPECT_DOUBLE_EQ(engine->data.x[1], 7.25);
  EXPECT_DOUBLE_EQ(engine->data.x[2], 8.25);
  EXPECT_EQ(engine->data.observer[2].str(), "CD");
}

TEST_F(KeyLoopTest, FileWithoutDotSavesToDollarAndMarksToBang) {
  std::string path = TenPoints("data");
  Run(path, {"5", "~2", ";"});
  EXPECT_TRUE(std::filesystem::exists(dir / "data.$"));
  EXPECT_EQ(engine->run.marksFile, "data.!");
}

TEST_F(KeyLoopTest, MagnitudeTwiceGivesBackXAndItsFormat) {
  std::string path = TenPoints();
  Run(path, {"M", ";"});
  // Read the state right after one toggle in a second run.
  std::vector<double> before;
  for (int i = 1; i <= 10; ++i) before.push_back(10 + i + 0.5);
  Run(path, {"M", "M", ";"});
  for (int i = 1; i <= 10; ++i) EXPECT_NEAR(engine->data.x[i], before[i - 1], 1e-9);
  EXPECT_EQ(engine->data.xDecimals, 2);
  EXPECT_FALSE(engine->run.flags.intensityToMagnitude);
}

TEST_F(KeyLoopTest, SavedWithSColumnLoadsAgainWithColumnsOneAndTwo) {
  std::string path = WriteText("s.dat", "1.0 10.000 0.500 AA\n2.0 11.000 0.250 BB\n3.0 12.000 0.125\n");
  engine->run.columnS = 2;
  Run(path, {"K", "5", "~2", ";"});
  ASSERT_TRUE(engine->data.weightsLoaded);
  // Reload the saved file: x from column 1, s from column 2.
  engine->run.args = {};
  engine->run.columnS = 2;
  Run((dir / "s$.dat").string(), {"K", ";"});
  EXPECT_EQ(engine->data.n, 2);
  EXPECT_DOUBLE_EQ(engine->data.x[1], 11.0);
  EXPECT_DOUBLE_EQ(engine->data.s[1], 0.25);
  EXPECT_DOUBLE_EQ(engine->data.s[2], 0.125);
}

TEST_F(KeyLoopTest, HeaderLinesKeyMakesThePointsBeforeTheCurrentHeaderLines) {
  std::string path = TenPoints();
  Run(path, {"3", "3", "B", "", ";"});
  EXPECT_EQ(engine->run.headerLines, 3);  // the title line and two points
  EXPECT_EQ(engine->data.n, 8);
  EXPECT_DOUBLE_EQ(engine->data.t[1], 3.0);
}

// After "K" the errors go with their points: a reload with the first two
// points as header lines reads s again from the lines that are now points.
TEST_F(KeyLoopTest, AReloadReadsTheErrorsAgainWithThePoints) {
  std::string text;
  for (int i = 1; i <= 6; ++i)
    text += std::to_string(i) + ".0 1" + std::to_string(i) + ".0 0." + std::to_string(i) + "\n";
  const std::string path = WriteText("s.dat", text);
  engine->run.columnS = 2;  // s is the third field
  Run(path, {"K", "3", "3", "B", "", ";"});
  ASSERT_EQ(engine->data.n, 4);
  EXPECT_TRUE(engine->data.weightsLoaded);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_DOUBLE_EQ(engine->data.t[i], i + 2.0);
    EXPECT_DOUBLE_EQ(engine->data.s[i], 0.1 * (i + 2)) << i;
  }
}

TEST_F(KeyLoopTest, ShortenKeepsOnlyTheWindowAndShowsItWhole) {
  std::string path = TenPoints();
  // "L" sets t1 = 3 and t2 = 6; ^F keeps the points 3..6 (x = 13.5 ..
  // 16.5) and replaces them by their autocorrelation against the lag:
  // centred -1.5, -0.5, 0.5, 1.5, so C_0 = 5 and C_1 = 1.25.
  Run(path, {"L", "3", "6", "", "", "", "^F", ";"});
  EXPECT_EQ(engine->data.n, 4);
  EXPECT_DOUBLE_EQ(engine->data.t[1], 0.0);
  EXPECT_DOUBLE_EQ(engine->data.t[4], 3.0);
  EXPECT_DOUBLE_EQ(engine->data.x[1], 1.0);
  EXPECT_DOUBLE_EQ(engine->data.x[2], 0.25);
  EXPECT_DOUBLE_EQ(engine->view.tMinAll, 0.0);
  EXPECT_DOUBLE_EQ(engine->view.tMaxAll, 3.0);
  EXPECT_FALSE(engine->checks.inverseX);
}

// The last keys that were reserved run their commands now; the run goes on.  #14
TEST_F(KeyLoopTest, OMinusCAndTrigonometricPolynomialRunFromTheTables) {
  std::string path = TenPoints();
  Run(path, {"(", "Q8", "x", "x", "3", ";"});
  EXPECT_TRUE(host.Logged("O-C>>"));
  EXPECT_TRUE(host.Logged("Trigonometric Polynomial"));
  EXPECT_EQ(ReadLines("star_o-c_lin.dat").size(), 10u);
  EXPECT_EQ(ReadLines("star_Four.dat").size(), 10u);
  EXPECT_EQ(engine->view.j, 2);
}

TEST_F(KeyLoopTest, ChangeOutputNameKeepsItOnEmptyAnswer) {
  std::string path = TenPoints();
  Run(path, {"~@", "", ";"});
  EXPECT_EQ(engine->run.outputFile, "star.da$");
  Run(path, {"~@", "clean.dat", "5", "~2", ";"});
  EXPECT_EQ(engine->run.outputFile, "clean.dat");
  EXPECT_TRUE(std::filesystem::exists(dir / "clean.dat"));
}

TEST_F(KeyLoopTest, PhaseModeShowsPhasesAndBackGivesTheLoadedTimes) {
  std::string path = TenPoints();
  engine->eph = Ephemeris{0.0, 4.0, 0.25, 0, 8};
  host.Add({"F"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  std::filesystem::create_directories(dir / "work");
  WriteText("work/c.z", std::string(1, static_cast<char>(255)) + " 0 0 4 0 8\n");
  host.Add({";"});
  RunDataFile(*engine, path);
  // t = 5 with T0 = 0 and P = 4 is phase 0.25; t = 6 is 0.5 or -0.5.
  EXPECT_NEAR(engine->data.t[5], 0.25, 1e-12);
  EXPECT_NEAR(std::fabs(engine->data.t[6]), 0.5, 1e-12);
  EXPECT_DOUBLE_EQ(engine->view.tMin, -0.5);
  Run(path, {"F", "F", ";"});
  EXPECT_DOUBLE_EQ(engine->data.t[5], 5.0);
}

// A save that fails says which file and why, and the file run goes on with
// the deletion still unsaved: Esc warns again and a save under another name
// keeps it.  // #17
TEST_F(KeyLoopTest, FailedSaveKeepsTheRunAndTheUnsavedDeletion) {
  std::string path = TenPoints();
  std::filesystem::create_directories(dir / "star.da$");  // a folder where the file must go
  Run(path, {"5", ";", "~2", ";", "~@", "other.dat", "~2"});
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Cannot write \"star.da$\": a folder of that name is in the way");
  EXPECT_FALSE(host.Logged("The file run ends."));
  int warnings = 0;
  for (auto& c : canvas.calls)
    if (c.op == "Text" && c.text.rfind("Write reduced data to file > ", 0) == 0) ++warnings;
  EXPECT_EQ(warnings, 2);  // the first Esc, and again after the failed save
  EXPECT_EQ(ReadLines("other.dat").size(), 9u);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "star.da$"));
}

// The console mode runs a whole session from lines of standard input.
TEST_F(KeyLoopTest, ConsoleModeRunsAScriptedSession) {
  TenPoints("session.dat");
  std::string cmd = std::string("cd '") + dir.string() + "' && printf '3\\n5\\n~2\\n;\\n' | TERIL_HOME='" +
                    (dir / "home").string() + "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY
                    " --console session.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  auto saved = ReadLines("session.da$");
  ASSERT_EQ(saved.size(), 9u);
  EXPECT_EQ(saved[1].substr(0, 7), " 3.000 ");  // point 2 was deleted
  auto discard = ReadLines("discard0.qvx");
  ASSERT_EQ(discard.size(), 1u);
  EXPECT_EQ(discard[0].rfind("session.dat ", 0), 0u);
  EXPECT_NE(discard[0].find("2.000"), std::string::npos);
  EXPECT_NE(discard[0].find("-1 B"), std::string::npos);
  std::string out = ReadText("out.txt");
  EXPECT_NE(out.find("LOG>>Save complete!"), std::string::npos);
  EXPECT_EQ(ReadText("ZR.log").find("  InputFile="), 0u);
}

// A script that ends before it saves a deletion exits with status 2 and
// says so; one that saves, or quits with Esc itself, exits with 0.
TEST_F(KeyLoopTest, ConsoleModeScriptEndingOnUnsavedChangesFails) {
  TenPoints("session.dat");
  auto run = [&](const char* keys) {
    std::string cmd = std::string("cd '") + dir.string() + "' && printf '" + keys +
                      "' | TERIL_HOME='" + (dir / "home").string() +
                      "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY
                      " --console session.dat > out.txt 2>err.txt";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run("3\\n5\\n"), 2);
  EXPECT_NE(ReadText("err.txt").find("unsaved changes; they were not saved"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "session.da$"));
  EXPECT_EQ(run("3\\n5\\n~2\\n"), 0);
  EXPECT_EQ(run("3\\n5\\n;\\n;\\n"), 0);  // Esc at the warning: left on purpose
}

}  // namespace
}  // namespace teril

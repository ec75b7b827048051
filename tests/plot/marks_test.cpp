// Interval marks: the marks file written by F7/F8 and ~7/~8, its format, and
// stepping through it with "]".
#include "plot/marks.h"

#include <gtest/gtest.h>

#include "base/io.h"
#include "engine/engine.h"
#include "plot_fixture.h"

namespace teril::testing {
namespace {

class MarksTest : public PlotTest {
 protected:
  void SetUp() override {
    PlotTest::SetUp();
    LoadLine(20);  // t = 0..19, t0 the same
    engine->run.marksFile = "star.da!";
    engine->checks.inverseX = true;
    ResetView(*engine);
  }
  void At(int j) {
    v().j = v().cursorPoint = j;
    Redraw(*engine);
  }
};

TEST_F(MarksTest, MarkLeftRightTwiceGivesTwoLines) {
  At(3);
  MarkLeft(*engine);
  At(5);
  MarkRight(*engine);
  At(12);
  MarkLeft(*engine);
  At(15);
  MarkRight(*engine);
  // t is written 6 wide: 3 decimals and two integer digits for 0..19.
  EXPECT_EQ(ReadLines("star.da!"),
            (std::vector<std::string>{"3  2.000 5  4.000 ", "12 11.000 15 14.000 "}));
}

TEST_F(MarksTest, MarkLeftDoesNotTouchThePlot) {
  At(3);
  const auto before = canvas.calls.size();
  MarkLeft(*engine);
  EXPECT_EQ(canvas.calls.size(), before);
  EXPECT_EQ(ReadText("star.da!"), "3  2.000 ");
}

TEST_F(MarksTest, UnwritableMarksFileThrows) {
  engine->run.marksFile = (dir / "missing" / "x.da!").string();
  EXPECT_THROW(MarkLeft(*engine), IoError);
  EXPECT_THROW(EngineLeftMark(*engine), IoError);
}

TEST_F(MarksTest, EngineMarksInShortMode) {
  engine->run.headerLines = 2;
  At(3);
  EXPECT_EQ(EngineLeftMark(*engine), Continuation::Read);
  EXPECT_EQ(v().leftMark, 3);
  EXPECT_EQ(TextAt(40, 220), "    5");
  for (auto& t : canvas.Texts()) {
    if (t.a == 40 && t.b == 220) {
      EXPECT_EQ(t.pen, kMaroon);
    }
  }
  int navy = 0;
  for (auto& c : canvas.SinceLastClear())
    if (c.op == "Ellipse" && c.pen == kNavy && c.a + (c.c - c.a) / 2 == v().cursorX) ++navy;
  EXPECT_EQ(navy, 2);
  EXPECT_EQ(ReadText("star.da!"), "    5  2.000");

  At(6);
  EXPECT_EQ(TextAt(40, 280), "    3");  // the pending mark is shown by the plot
  EXPECT_EQ(EngineRightMark(*engine), Continuation::Read);
  EXPECT_EQ(v().leftMark, 0);
  EXPECT_EQ(ReadText("star.da!"), "    5  2.000     8  5.000\n");
  EXPECT_EQ(canvas.pen, kGreen);
}

TEST_F(MarksTest, EngineMarksInFullModeWriteTheBlock) {
  ASSERT_EQ(ToggleMarksFormat(*engine), Continuation::Read);
  EXPECT_FALSE(v().shortMarks);
  EXPECT_EQ(engine->run.marksFile, "star.da#");
  EXPECT_EQ(TextAt(0, 300), "full ");
  At(6);
  EngineLeftMark(*engine);
  EXPECT_EQ(ReadText("star.da#"), "");
  At(3);
  EngineRightMark(*engine);  // the ends are ordered
  // t0 6 wide, x 7 wide (3 decimals, two integer digits), no separator.
  EXPECT_EQ(ReadLines("star.da#"), (std::vector<std::string>{"4", " 2.000 10.500", " 3.000 10.750",
                                                             " 4.000 11.000", " 5.000 11.250"}));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "ilo3=6");
  EXPECT_EQ(v().j, 3);  // the current point stays
  EXPECT_EQ(v().leftMark, 0);

  ToggleMarksFormat(*engine);
  EXPECT_EQ(engine->run.marksFile, "star.da!");
  EXPECT_EQ(TextAt(0, 300), "short");
}

TEST_F(MarksTest, FormatIsKeptWhileALeftMarkIsPending) {
  At(4);
  EngineLeftMark(*engine);
  ToggleMarksFormat(*engine);
  EXPECT_EQ(host.beeps, 1);
  EXPECT_TRUE(v().shortMarks);
  EXPECT_EQ(engine->run.marksFile, "star.da!");
}

TEST_F(MarksTest, RightMarkWithoutLeftOnlyCircles) {
  At(4);
  EngineRightMark(*engine);
  EXPECT_TRUE(FileExists("star.da!"));
  EXPECT_EQ(ReadText("star.da!"), "");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(MarksTest, NextMarkedIntervalStepsThroughTheFileAndStartsAgain) {
  WriteText("star.da!", "5 4.0 9 8.0 \n12 11.0 15 14.0\n");
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Redraw);
  EXPECT_EQ(v().tMin, 4);
  EXPECT_EQ(v().tMax, 8);
  Redraw(*engine);
  EXPECT_EQ(v().firstVisible, 5);
  EXPECT_EQ(v().lastVisible, 9);
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Redraw);
  EXPECT_EQ(v().tMin, 11);
  EXPECT_EQ(v().tMax, 14);
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Redraw);  // end of the file
  EXPECT_EQ(host.beeps, 1);
  EXPECT_EQ(v().tMin, 11);
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Redraw);
  EXPECT_EQ(v().tMin, 4);
}

TEST_F(MarksTest, RecordBeforeTheLoadedLinesAsksForAReload) {
  engine->run.headerLines = 10;
  WriteText("star.da!", "5 4.0 9 8.0\n");
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Reload);
  EXPECT_EQ(engine->run.headerLines, 4);
  EXPECT_EQ(v().xMinIdx, 1);
  EXPECT_EQ(v().xMaxIdx, 5);
  EXPECT_EQ(v().tMin, 4);
  EXPECT_EQ(v().tMax, 8);
}

// The same record written from its right mark to its left one reloads the
// same lines.
TEST_F(MarksTest, ReversedRecordBeforeTheLoadedLinesReloadsForwards) {
  engine->run.headerLines = 10;
  WriteText("star.da!", "9 8.0 5 4.0\n");
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Reload);
  EXPECT_EQ(engine->run.headerLines, 4);
  EXPECT_EQ(v().xMinIdx, 1);
  EXPECT_EQ(v().xMaxIdx, 5);
}

TEST_F(MarksTest, RecordBeyondTheCapacityAsksForAReload) {
  WriteText("star.da!", "1300000 4.0 1300010 8.0\n");
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Reload);
  EXPECT_EQ(engine->run.headerLines, 1299999);
  EXPECT_EQ(v().xMaxIdx, 11);
}

TEST_F(MarksTest, MissingFileDoesNothing) {
  const double before = v().tMin;
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Read);
  EXPECT_EQ(v().tMin, before);
  EXPECT_EQ(host.beeps, 0);
}

TEST_F(MarksTest, ReversedAndBadRecords) {
  WriteText("star.da!", "9 8.0 5 4.0 \nnot a record\n");
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Redraw);
  EXPECT_EQ(v().tMin, 4);  // a window always runs forwards
  EXPECT_EQ(v().tMax, 8);
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Redraw);
  EXPECT_TRUE(host.LoggedPart("Bad interval in star.da!"));
  EXPECT_EQ(host.beeps, 1);
  EXPECT_EQ(engine->run.headerLines, 0);  // no reload from a bad record
}

// Marks files saved by other tools: a byte-order mark, lone CR or CR LF
// line ends, a record split over two lines.  // #17
TEST(MarkRecords, ByteOrderMarkAndEveryLineEndReadTheSameRecords) {
  for (std::string text : {"\xEF\xBB\xBF" "3 1.5 7 2.5 \r9 4.5 12 6.5 \r",
                           "3 1.5 7 2.5 \r\n9 4.5\r\n12 6.5\r\n"}) {
    std::size_t pos = 0;
    MarkRecord r;
    ASSERT_EQ(ReadMarkRecord(text, pos, r), MarkRead::Record) << text;
    EXPECT_EQ(r.i1, 3);
    EXPECT_DOUBLE_EQ(r.t1, 1.5);
    EXPECT_EQ(r.i2, 7);
    EXPECT_DOUBLE_EQ(r.t2, 2.5);
    ASSERT_EQ(ReadMarkRecord(text, pos, r), MarkRead::Record) << text;
    EXPECT_EQ(r.i1, 9);
    EXPECT_EQ(r.i2, 12);
    EXPECT_DOUBLE_EQ(r.t2, 6.5);
    EXPECT_EQ(ReadMarkRecord(text, pos, r), MarkRead::End);
  }
  std::size_t pos = 0;
  MarkRecord r;
  EXPECT_EQ(ReadMarkRecord("3 1.5 x 2.5\n", pos, r), MarkRead::Bad);
}

TEST_F(MarksTest, MarksFileThatIsAFolderIsNamedAndChangesNothing) {
  std::filesystem::create_directory("star.da!");
  const double tMin = v().tMin;
  EXPECT_EQ(NextMarkedInterval(*engine), Continuation::Read);
  EXPECT_TRUE(host.Logged("Cannot read \"star.da!\": it is a folder, not a file"));
  EXPECT_EQ(v().tMin, tMin);
}

}  // namespace
}  // namespace teril::testing

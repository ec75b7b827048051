// The intervals file: reading it, stepping through its intervals and
// showing one by its indices.
#include "extrema/intervals.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/batch_fixture.h"
#include "plot/marks.h"
#include "plot/view.h"

namespace teril {
namespace {

struct ReadCase {
  const char* name;
  const char* content;
  int points;
  std::size_t capacity;
  const char* entries;  // "start-end" of each entry, blank-separated
  std::vector<std::string> log;
};

std::string Entries(const IntervalReadResult& r) {
  std::string s;
  for (const IntervalEntry& e : r.entries)
    s += (s.empty() ? "" : " ") + std::to_string(e.startIndex) + "-" + std::to_string(e.endIndex);
  return s;
}

class ReadIntervalsTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadIntervalsTable, EntriesAndLogLines) {
  const ReadCase& c = GetParam();
  IntervalReadResult r = ReadIntervals("f.!", c.content, c.points, c.capacity);
  EXPECT_EQ(Entries(r), c.entries);
  EXPECT_EQ(r.log, c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadIntervalsTable,
    ::testing::Values(
        // The first start index is 0: every index of every line goes up by 1.
        ReadCase{"ZeroBased",
                 "0 10.0 4 14.0\n5 15.0 9 19.0\n",
                 10,
                 100,
                 "1-5 6-10",
                 {"nint=1=1=5", "nint=2=6=10"}},
        // A 0 on a later line does not make the file zero-based.
        ReadCase{"LaterZero",
                 "1 1 4 4\n0 0 3 3\n",
                 10,
                 100,
                 "1-4",
                 {"nint=1=1=4", "nint=2=0=3",
                  "f.!, line 2: the points 0 .. 3 do not lie in 1 .. 10; the interval is dropped"}},
        // End not above start: dropped after its "nint=" line, the count reused.
        ReadCase{"EmptyIntervalDropped",
                 "2 2 6 6\n7 7 7 7\n8 8 10 10\n",
                 10,
                 100,
                 "2-6 8-10",
                 {"nint=1=2=6", "nint=2=7=7", "nint=2=8=10"}},
        ReadCase{"MalformedLinesSkipped",
                 "1 1.0 5\n\n  \n3 1,5 6 2\n2 2.0 4 4.0 rest\r\n",
                 10,
                 100,
                 "2-4",
                 {"f.!, line 1: \"1 1.0 5\" is not an interval (start index, start time, end "
                  "index, end time); the line is skipped",
                  "f.!, line 4: \"3 1,5 6 2\" is not an interval (start index, start time, end "
                  "index, end time); the line is skipped",
                  "nint=1=2=4"}},
        ReadCase{"BeyondTheData",
                 "5 5 20 20\n",
                 10,
                 100,
                 "",
                 {"nint=1=5=20",
                  "f.!, line 1: the points 5 .. 20 do not lie in 1 .. 10; the interval is "
                  "dropped"}},
        // A spreadsheet's export: a byte-order mark and lone CR line ends.
        ReadCase{"ByteOrderMarkAndLoneCr",
                 "\xEF\xBB\xBF" "1 1 4 4\r5 5 8 8\r",
                 10,
                 100,
                 "1-4 5-8",
                 {"nint=1=1=4", "nint=2=5=8"}},
        // Indices beyond any data set, at the ends of the integer range.
        ReadCase{"HugeIndices",
                 "-9223372036854775807 0 9223372036854775807 1\n",
                 10,
                 100,
                 "",
                 {"nint=1=-2305843009213693952=2305843009213693952",
                  "f.!, line 1: the points -2305843009213693952 .. 2305843009213693952 do not lie "
                  "in 1 .. 10; the interval is dropped"}},
        ReadCase{"CapacityStopsTheReading",
                 "1 1 2 2\n3 3 4 4\n5 5 6 6\n7 7 8 8\n",
                 10,
                 2,
                 "1-2 3-4",
                 {"nint=1=1=2", "nint=2=3=4",
                  "f.!, line 3: more than 2 intervals; the rest of the file is not read"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A line of over a megabyte (a binary file, say) ends the reading there;
// the intervals before it stay.
TEST(ReadIntervals, TooLongLineEndsTheReadingAndKeepsTheEntriesBefore) {
  const std::string text = "1 1 4 4\n" + std::string(std::size_t{1} << 21, '7') + "\n5 5 8 8\n";
  IntervalReadResult r = ReadIntervals("f.!", text, 10, 100);
  EXPECT_EQ(Entries(r), "1-4");
  EXPECT_EQ(r.log, (std::vector<std::string>{
                       "nint=1=1=4",
                       "f.!, line 2: the line is too long to be an interval; the rest of the "
                       "file is not read"}));
}

class IntervalsTest : public testing::BatchTest {
 protected:
  // Three blocks of the times 0..4; block b has its minimum at t = b - 1.
  void LoadThreeBlocks() {
    LoadBlocks(3, 5, [](int b, double t) { return 10 + (t - (b - 1)) * (t - (b - 1)); });
    ResetView(*engine);
    WriteText("b.!", "1 0 5 4\n6 0 10 4\n11 0 15 4\n");
    ASSERT_TRUE(ReadIntervalsFile(*engine, "b.!"));
  }
  // The point crosses on the plot as it stands: their horizontal strokes
  // after the last clearing.
  int Crosses() const {
    int n = 0;
    for (auto& c : canvas.calls) {
      if (c.op == "Clear") n = 0;
      if (c.op == "LineTo" && c.b == c.d && c.c - c.a == 6) ++n;
    }
    return n;
  }
};

TEST_F(IntervalsTest, MarksWrittenByMarkLeftAndRightReadBack) {
  LoadCurve(30, [](double t) { return t; });
  engine->run.marksFile = "star.!";
  for (int j : {4, 9, 12, 20}) {
    engine->view.j = j;
    j == 4 || j == 12 ? MarkLeft(*engine) : MarkRight(*engine);
  }
  IntervalReadResult r = ReadIntervals("star.!", ReadText("star.!"), 30);
  EXPECT_EQ(Entries(r), "4-9 12-20");
  EXPECT_EQ(r.entries[1].startTime, 11.0);
  EXPECT_EQ(r.entries[1].endTime, 19.0);
}

TEST_F(IntervalsTest, MissingFileGivesTheWholeDataSetAndUnreadableKeepsTheList) {
  LoadCurve(12, [](double t) { return t; });
  ASSERT_TRUE(ReadIntervalsFile(*engine, "none.!"));
  EXPECT_TRUE(host.Logged("none.!: no such file; the interval is the whole data set"));
  ASSERT_EQ(engine->batch.intervalCount, 1);
  EXPECT_EQ(engine->batch.IntervalList[1].startIndex, 1);
  EXPECT_EQ(engine->batch.IntervalList[1].endIndex, 12);
  EXPECT_EQ(engine->batch.IntervalList[1].endTime, 11.0);
  std::filesystem::create_directory(dir / "folder.!");
  EXPECT_FALSE(ReadIntervalsFile(*engine, "folder.!"));
  EXPECT_TRUE(host.LoggedPart("folder.!: the file cannot be read"));
  EXPECT_EQ(engine->batch.intervalCount, 1);
  // Behind a folder that may not be entered the file is not "missing".
  std::filesystem::create_directory(dir / "closed");
  WriteText("closed/c.!", "1 0 5 4\n");
  ASSERT_TRUE(ActAsAnotherUser());
  ::chmod((dir / "closed").c_str(), 0);
  EXPECT_FALSE(ReadIntervalsFile(*engine, "closed/c.!"));
  EXPECT_TRUE(host.LoggedPart("closed/c.!: the file cannot be read (Permission denied)"));
  EXPECT_EQ(engine->batch.intervalCount, 1);
  ::chmod((dir / "closed").c_str(), 0755);
}

TEST_F(IntervalsTest, FileForIntervalsLogsTheNameAndTheCount) {
  LoadThreeBlocks();
  engine->batch.currentInterval = 2;
  dialogs.fileAnswers = {"b.!"};
  ASSERT_TRUE(RunNamedCommand(*engine, "Fileforintervals1"));
  EXPECT_EQ(dialogs.shown.back(), "Select file");
  EXPECT_EQ(engine->batch.intervalsFile, "b.!");
  EXPECT_TRUE(host.Logged("file for intervals=b.!"));
  EXPECT_TRUE(host.Logged("no of intervals=3"));
  EXPECT_EQ(engine->batch.currentInterval, 0);
}

TEST_F(IntervalsTest, PrevAndGoToZeroBothGiveIntervalOneAndFirstInterval) {
  LoadThreeBlocks();
  AwaitKey();
  RunNamedCommand(*engine, "PrevInterval1");
  EXPECT_EQ(engine->batch.currentInterval, 1);
  EXPECT_EQ(host.messages, std::vector<std::string>{"first interval"});
  EXPECT_EQ(engine->console.answer, "\x05");

  engine->batch.currentInterval = 0;
  AwaitKey();
  dialogs.fieldAnswers = {{"0"}};
  RunNamedCommand(*engine, "Gotointervalnumber1");
  EXPECT_EQ(engine->batch.currentInterval, 1);
  EXPECT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages.back(), "first interval");
  ASSERT_EQ(dialogs.shownFields.size(), 1u);
  EXPECT_EQ(dialogs.shownFields[0][0].label, "Interval number <=3");
  EXPECT_EQ(dialogs.shownFields[0][0].value, "1");
  EXPECT_EQ(dialogs.shown.back(), "Go to interval number...");
}

TEST_F(IntervalsTest, GoToIsShownAgainUntilItsTextIsAnIntegerAndClampsAtTheEnd) {
  LoadThreeBlocks();
  AwaitKey();
  dialogs.fieldAnswers = {{"abc"}, {"2.5"}, {"7"}};
  RunNamedCommand(*engine, "Gotointervalnumber1");
  EXPECT_EQ(dialogs.names, (std::vector<std::string>{"Gotoint", "Gotoint", "Gotoint"}));
  EXPECT_TRUE(host.Logged("\"abc\" is not an interval number"));
  EXPECT_EQ(engine->batch.currentInterval, 3);
  EXPECT_EQ(host.messages, std::vector<std::string>{"last interval"});
  // Cancelled: nothing changes and no key is sent.
  AwaitKey();
  dialogs.fieldAnswers = {{"<cancel>"}};
  RunNamedCommand(*engine, "Gotointervalnumber1");
  EXPECT_EQ(engine->console.waitingForInput, 1);
  EXPECT_EQ(engine->batch.currentInterval, 3);
}

TEST_F(IntervalsTest, KeyCodeFiveShowsTheIntervalByItsIndices) {
  LoadThreeBlocks();
  engine->view.scrollShift = 1;  // left from a scroll: must not move the interval
  engine->batch.currentInterval = 2;
  EXPECT_EQ(ShowInterval(*engine), Continuation::Window);
  EXPECT_TRUE(host.Logged("interval=2 from 3"));
  EXPECT_TRUE(host.Logged("Start time0 end 4"));
  EXPECT_EQ(engine->view.j, 8);
  canvas.calls.clear();
  MoveWindow(*engine);
  // Block 2, not the first points with the times 0..4.
  EXPECT_EQ(engine->view.firstVisible, 6);
  EXPECT_EQ(engine->view.lastVisible, 10);
  EXPECT_EQ(Crosses(), 5);
  EXPECT_EQ(engine->view.cursorPoint, 8);
  RescaleSignal(*engine);  // "#" keeps it too
  EXPECT_EQ(engine->view.firstVisible, 6);
  // Once the window is changed the points are counted by time again.
  ZoomOut(*engine);
  MoveWindow(*engine);
  EXPECT_EQ(engine->view.firstVisible, 1);
  EXPECT_EQ(engine->view.lastVisible, 15);
}

TEST_F(IntervalsTest, AnIntervalOfEqualTimesGetsAMinimalWidth) {
  LoadCurve(6, [](double t) { return t; });
  engine->data.t[3] = 3.0;  // points 3 and 4 both at t = 3
  WriteText("e.!", "3 3 4 3\n");
  ReadIntervalsFile(*engine, "e.!");
  engine->batch.currentInterval = 1;
  ShowInterval(*engine);
  EXPECT_TRUE(host.Logged("Start time3 end 3"));
  EXPECT_EQ(engine->view.tMax, 3.0 + 1e-7);
}

TEST_F(IntervalsTest, PhasePlotIsRedrawnAndAMissingIntervalIsRefused) {
  LoadThreeBlocks();
  engine->data.phased = true;
  engine->batch.currentInterval = 3;
  canvas.calls.clear();
  EXPECT_EQ(ShowInterval(*engine), Continuation::Read);
  EXPECT_EQ(Crosses(), 5);
  EXPECT_EQ(engine->view.firstVisible, 11);
  engine->batch.currentInterval = 4;
  EXPECT_EQ(ShowInterval(*engine), Continuation::Read);
  EXPECT_TRUE(host.LoggedPart("There is no interval 4"));
  engine->data.n = 12;  // points deleted since the list was read
  engine->batch.currentInterval = 3;
  EXPECT_EQ(ShowInterval(*engine), Continuation::Read);
  EXPECT_TRUE(host.LoggedPart("interval 3: the points 11 .. 15 do not lie in 1 .. 12"));
}

}  // namespace
}  // namespace teril

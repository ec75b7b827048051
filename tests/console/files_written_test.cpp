// What the engine tells its host besides the log: the result files a
// command writes (with the command's name) and the values keys set.
#include <gtest/gtest.h>

#include "console/console.h"
#include "support/file_run_fixture.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

using Written = std::pair<std::string, std::string>;

class FilesWrittenTest : public testing::FileRunTest {
 protected:
  std::string FivePoints() {
    return WriteText("five.dat",
                     "1.000 10.1 A\n2.000 10.2 A\n3.000 10.3 B\n4.000 10.4 A\n5.000 10.5 A\n");
  }
};

TEST(KeyLabel, ReadsAsTheCommandFieldNotation) {
  EXPECT_EQ(KeyLabel("F"), "key F");
  EXPECT_EQ(KeyLabel("~2"), "key ~2");
  EXPECT_EQ(KeyLabel("\x10"), "key ^P");
  EXPECT_EQ(KeyLabel("\x0f"), "key ^O");
  EXPECT_EQ(KeyLabel(std::string(1, static_cast<char>(131))), "key #131");
  // Round trip with the notation the command field reads.
  for (int code : {1, 16, 27, 31, 131, 255}) {
    const std::string key(1, static_cast<char>(code));
    EXPECT_EQ(DecodeKeyNotation(KeyLabel(key).substr(4)), key) << code;
  }
}

TEST_F(FilesWrittenTest, EachResultFileIsReportedWithTheCommandThatWroteIt) {
  const std::string path = FivePoints();
  // A key, a menu item run by name that deletes at once, and a menu item
  // that hands its key to the key loop.
  Run(path, {"~2", ":Delete", ":Save", ";"});
  const std::string out = engine->run.outputFile;
  ASSERT_EQ(host.filesWritten.size(), 3u);
  EXPECT_EQ(host.filesWritten[0], Written(out, "key ~2"));
  EXPECT_EQ(host.filesWritten[1], Written("discard0.qvx", "Delete current point"));
  EXPECT_EQ(host.filesWritten[2], Written(out, "Save"));
}

TEST_F(FilesWrittenTest, EpochKeySaysTheNewT0InTheLogAndTheStatus) {
  const std::string path = FivePoints();
  Run(path, {"3", "3", "^O", ";"});  // the third point: t = 3
  EXPECT_DOUBLE_EQ(engine->eph.epochT0, 3.0);
  ASSERT_EQ(host.statusTexts, std::vector<std::string>{"T0 = 3"});
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "T0 = 3"), 1);
}

TEST_F(FilesWrittenTest, PeriodKeySaysTheNewPeriodAndT0) {
  const std::string path = FivePoints();
  engine->classical.lastParabolaPeriod = 0.25;  // as a three-point parabola leaves it
  Run(path, {"^P", ";"});
  EXPECT_DOUBLE_EQ(engine->eph.period, 0.25);
  ASSERT_EQ(host.statusTexts, std::vector<std::string>{"P = 0.25, T0 = 0"});
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "P = 0.25, T0 = 0"), 1);
}

}  // namespace
}  // namespace teril

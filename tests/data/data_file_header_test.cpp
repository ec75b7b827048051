// The header lines of a data file are kept for the commands that read what
// the file says about itself.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/data_file.h"

namespace teril {
namespace {

class DataFileHeaderTest : public ::testing::Test {
 protected:
  std::unique_ptr<DataSet> data = std::make_unique<DataSet>();
  ReadColumns columns;
  int Parse(const std::string& text) { return ParseDataText(text, "star.dat", *data, columns); }
};

TEST_F(DataFileHeaderTest, TitleAndEmptyLinesWithoutTrailingBlanks) {
  ASSERT_EQ(Parse("\xEF\xBB\xBF# time = BTJD  \r\n\r\n# RA = 83.6 deg\r\n1.5 10.0\r\n2.5 11.0\r\n"),
            2);
  EXPECT_EQ(columns.headerText, "# time = BTJD\n\n# RA = 83.6 deg\n");
  EXPECT_EQ(columns.headerLines, 3);
}

TEST_F(DataFileHeaderTest, SkippedLinesCountAsHeaderLines) {
  columns.headerLines = 2;
  ASSERT_EQ(Parse("title\n1 2\nnote\n5 6\n7 8\n"), 2);
  EXPECT_EQ(columns.headerText, "title\n1 2\nnote\n");
  EXPECT_DOUBLE_EQ(data->t[1], 5);
}

TEST_F(DataFileHeaderTest, NoHeaderNoText) {
  columns.headerText = "left from before\n";
  ASSERT_EQ(Parse("1 2\n3 4\n"), 2);
  EXPECT_EQ(columns.headerText, "");
}

TEST_F(DataFileHeaderTest, AVeryLongHeaderKeepsItsFirstWholeLines) {
  const std::string line(1000, 'a');
  std::string text;
  for (int k = 0; k < 100; ++k) text += line + "\n";
  ASSERT_EQ(Parse(text + "# short\n1 2\n"), 1);
  // 65 lines of 1001 bytes fill 65065 of the 65536; the 66th and every
  // later line, even a short one, are left out.
  EXPECT_EQ(columns.headerText.size(), 65u * 1001u);
  EXPECT_EQ(columns.headerText.substr(0, 1001), line + "\n");
  EXPECT_EQ(columns.headerText.find("short"), std::string::npos);
  EXPECT_EQ(columns.headerLines, 101);
}

}  // namespace
}  // namespace teril

// Data files as other tools write them: line ends, byte-order marks, tabs,
// trailing blanks, decimal commas, commas between values, UTF-16, overlong
// lines.  // #17
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/data_file.h"

namespace teril {
namespace {

struct Dress {
  const char* name;
  std::string text;
};

// The same three observations with a title line, as LF, CR LF and lone-CR
// files, with a byte-order mark, with tabs and with trailing blanks.
class SameFileInAnotherDress : public ::testing::TestWithParam<Dress> {};

TEST_P(SameFileInAnotherDress, ReadsAsThePlainFile) {
  auto data = std::make_unique<DataSet>();
  ReadColumns columns;
  ASSERT_EQ(ParseDataText(GetParam().text, "star.dat", *data, columns), 3);
  EXPECT_EQ(columns.headerLines, 1);
  EXPECT_EQ(columns.columnX, 1);
  const double t[] = {2459000.1234, 2459000.2234, 2459000.3234};
  const double x[] = {12.345, 12.355, 12.4};
  const char* obs[] = {"AB", "CD", ""};
  for (int i = 1; i <= 3; ++i) {
    EXPECT_DOUBLE_EQ(data->t[i], t[i - 1]) << i;
    EXPECT_DOUBLE_EQ(data->x[i], x[i - 1]) << i;
    EXPECT_EQ(data->observer[i].str(), obs[i - 1]) << i;
  }
  // "2459000.1234": 12 wide with 4 decimals; " 12.345": 7 wide with 3.
  EXPECT_EQ(data->tWidth, 12);
  EXPECT_EQ(data->tDecimals, 4);
  EXPECT_EQ(data->xWidth, 7);
  EXPECT_EQ(data->xDecimals, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SameFileInAnotherDress,
    ::testing::Values(
        Dress{"Lf", "# HJD V\n2459000.1234 12.345 AB\n2459000.2234 12.355 CD\n2459000.3234 12.4\n"},
        Dress{"CrLf",
              "# HJD V\r\n2459000.1234 12.345 AB\r\n2459000.2234 12.355 CD\r\n2459000.3234 12.4"},
        Dress{"LoneCr",
              "# HJD V\r2459000.1234 12.345 AB\r2459000.2234 12.355 CD\r2459000.3234 12.4\r"},
        Dress{"Bom",
              "\xEF\xBB\xBF# HJD V\n2459000.1234 12.345 AB\n2459000.2234 12.355 CD\n2459000.3234 "
              "12.4\n"},
        Dress{"Tabs",
              "# HJD V\n2459000.1234\t12.345\tAB\n2459000.2234\t12.355\tCD\n2459000.3234\t12.4\n"},
        Dress{"TrailingBlanks",
              "# HJD V  \n2459000.1234 12.345 AB  \t\n2459000.2234 12.355 CD \n2459000.3234 12.4   "
              "\n"}),
    [](const auto& info) { return std::string(info.param.name); });

class RealFilesTest : public ::testing::Test {
 protected:
  std::unique_ptr<DataSet> data = std::make_unique<DataSet>();
  ReadColumns columns;
  // Reads `text` with the default columns.
  int Parse(const std::string& text) {
    columns = ReadColumns();
    return ParseDataText(text, "star.dat", *data, columns);
  }
  // The error the text gives; fails the test when it gives none.
  DataFormatError ErrorOf(const std::string& text) {
    try {
      Parse(text);
    } catch (const DataFormatError& e) {
      return e;
    }
    ADD_FAILURE() << "no error for " << text;
    return DataFormatError("", 0, "");
  }
};

TEST_F(RealFilesTest, ByteOrderMarkDoesNotTurnTheFirstObservationIntoAHeader) {
  ASSERT_EQ(Parse("\xEF\xBB\xBF"
                  "1.5 10.0\n2.5 11.0\n"),
            2);
  EXPECT_EQ(columns.headerLines, 0);
  EXPECT_DOUBLE_EQ(data->t[1], 1.5);
  // "1.5": 3 wide with 1 decimal, widened to 1 + 3; with the three bytes of
  // the mark in its field it would be 6.
  EXPECT_EQ(data->tWidth, 4);
}

TEST_F(RealFilesTest, DecimalCommaFileNamesTheFirstSuchLineInsteadOfNoData) {
  DataFormatError e = ErrorOf("JD mag\n2459000,1234 12,345\n2459000,2234 12,355\n");
  EXPECT_EQ(e.problem(), LineProblem::DecimalComma);
  EXPECT_EQ(e.line(), 2);
  EXPECT_EQ(std::string(e.what()),
            "Error in data file star.dat, line 2: the numbers have a decimal comma "
            "(\"2459000,1234\"); a decimal point is expected: \"2459000,1234 12,345\"");
}

TEST_F(RealFilesTest, CommasBetweenTheValuesAreNamed) {
  DataFormatError e = ErrorOf("2459000.1,12.3\n2459000.2,12.4\n");
  EXPECT_EQ(e.problem(), LineProblem::CommaSeparated);
  EXPECT_EQ(e.line(), 1);
  // Semicolons with decimal commas, as spreadsheets in many countries save.
  EXPECT_EQ(ErrorOf("2459000,1;12,3\n").problem(), LineProblem::CommaSeparated);
}

TEST_F(RealFilesTest, DecimalCommaInALaterLineIsNamedAsSuch) {
  DataFormatError e = ErrorOf("1.0 2.0\n1.5 2.5\n2,0 3,0\n");
  EXPECT_EQ(e.problem(), LineProblem::DecimalComma);
  EXPECT_EQ(e.line(), 3);
  EXPECT_EQ(data->n, 2);
  // A decimal comma in the signal of the first data line.
  EXPECT_EQ(ErrorOf("2459000.5 12,345\n").problem(), LineProblem::DecimalComma);
}

TEST_F(RealFilesTest, CommaLineBeforeTheDataIsANoteNotAnError) {
  ASSERT_EQ(Parse("2459000,1234 12,345\n2459000.2 12.3\n"), 1);
  EXPECT_EQ(columns.headerLines, 1);
  EXPECT_EQ(columns.note.rfind("Note: line 1 of star.dat was taken as a header line: the numbers "
                               "have a decimal comma",
                               0),
            0u)
      << columns.note;
  // A plain title makes no note.
  ASSERT_EQ(Parse("Light curve, V band\n1 2\n"), 1);
  EXPECT_EQ(columns.note, "");
}

TEST_F(RealFilesTest, Utf16FileIsNotPlainText) {
  const std::string utf16(
      "\xFF\xFE"
      "1\0 \0"
      "2\0\n\0",
      10);
  DataFormatError e = ErrorOf(utf16);
  EXPECT_EQ(e.problem(), LineProblem::NotText);
  EXPECT_EQ(e.line(), 1);
}

TEST_F(RealFilesTest, SingleNumbersWithTrailingBlanksAreTheXOnlyLayout) {
  ASSERT_EQ(Parse("10.25   \n11.5 \n"), 2);
  EXPECT_EQ(columns.columnX, 0);
  EXPECT_DOUBLE_EQ(data->x[2], 11.5);
}

TEST_F(RealFilesTest, LineLongerThanOneMegabyteIsMalformedWithItsNumber) {
  std::string text = "1 2\n3 4\n" + std::string(kMaxLineBytes + 1, '7') + "\n5 6\n";
  DataFormatError e = ErrorOf(text);
  EXPECT_EQ(e.problem(), LineProblem::TooLong);
  EXPECT_EQ(e.line(), 3);
  EXPECT_EQ(std::string(e.what()),
            "Error in data file star.dat, line 3: malformed line, longer than 1 MB");
  EXPECT_EQ(data->n, 2);
}

// Found by fuzzing: a first data line whose signal is not a number counted
// as one loaded point with the signal of the previous file.
TEST_F(RealFilesTest, MalformedFirstLineLoadsNoPoint) {
  ASSERT_EQ(Parse("5.5 6.5\n"), 1);
  const int tWidth = data->tWidth;
  EXPECT_EQ(ErrorOf("12.25 oops\n3 4\n").line(), 1);
  EXPECT_EQ(data->n, 0);
  EXPECT_EQ(data->tWidth, tWidth);
}

}  // namespace
}  // namespace teril

#include "data/data_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "data/sort.h"

namespace teril {
namespace {

class DataFileTest : public ::testing::Test {
 protected:
  std::unique_ptr<DataSet> data = std::make_unique<DataSet>();
  ReadColumns columns;
  int Parse(const std::string& text) { return ParseDataText(text, "star.dat", *data, columns); }
};

TEST_F(DataFileTest, FirstLineGivesValuesFormatsAndObserver) {
  ASSERT_EQ(Parse("245.5678  12.345 ABC\n"), 1);
  EXPECT_DOUBLE_EQ(data->t[1], 245.5678);
  EXPECT_DOUBLE_EQ(data->x[1], 12.345);
  EXPECT_EQ(data->observer[1].str(), "ABC");
  EXPECT_EQ(data->tWidth, 8);
  EXPECT_EQ(data->tDecimals, 4);
  EXPECT_EQ(data->xWidth, 8);
  EXPECT_EQ(data->xDecimals, 3);
}

TEST_F(DataFileTest, TitleLinesBecomeHeaderLinesWithoutMessage) {
  ASSERT_EQ(Parse("Light curve of a star\nV1234\n\n1.5 10.0\n2.5 11.0 XY\n"), 2);
  EXPECT_EQ(columns.headerLines, 3);
  // A one-word title line does not switch to the x-only layout.
  EXPECT_EQ(columns.columnX, 1);
  EXPECT_DOUBLE_EQ(data->t[2], 2.5);
  EXPECT_EQ(data->observer[2].str(), "XY");
  EXPECT_EQ(data->observer[1].str(), "");
}

TEST_F(DataFileTest, GivenHeaderLinesAreSkippedUnread) {
  columns.headerLines = 2;
  ASSERT_EQ(Parse("1 2\n3 4\n5 6\n"), 1);
  EXPECT_DOUBLE_EQ(data->t[1], 5);
}

TEST_F(DataFileTest, SingleNumbersLoadAsXWithPointNumbersAsT) {
  ASSERT_EQ(Parse("10.25\n11.5\n12.75\n"), 3);
  EXPECT_EQ(columns.columnX, 0);
  for (int i = 1; i <= 3; ++i) EXPECT_DOUBLE_EQ(data->t[i], i);
  EXPECT_DOUBLE_EQ(data->x[3], 12.75);
  EXPECT_EQ(data->tWidth, 4);
  EXPECT_EQ(data->tDecimals, 0);
  EXPECT_EQ(data->xWidth, 5);
  EXPECT_EQ(data->xDecimals, 2);
}

TEST_F(DataFileTest, ColumnThreeTakesTheFourthField) {
  columns.columnX = 3;
  ASSERT_EQ(Parse("100.1 1 2 9.75 OBS\n100.2 3 4 9.5 OBT extra\n"), 2);
  EXPECT_DOUBLE_EQ(data->x[1], 9.75);
  EXPECT_DOUBLE_EQ(data->x[2], 9.5);
  EXPECT_EQ(data->observer[1].str(), "OBS");
  EXPECT_EQ(data->observer[2].str(), "OBT");
  EXPECT_EQ(data->xWidth, 5);  // " 9.75": the blank before it counts
  EXPECT_EQ(data->xDecimals, 2);
}

TEST_F(DataFileTest, NegativeColumnKeepsTheArgumentsOfThePreviousLoad) {
  ASSERT_EQ(Parse("1.0 5\n2.0 6\n"), 2);
  columns.columnX = -2;
  ASSERT_EQ(Parse("7 8 0.5\n9 10 0.25\n"), 2);
  EXPECT_DOUBLE_EQ(data->t[1], 1.0);
  EXPECT_DOUBLE_EQ(data->t[2], 2.0);
  EXPECT_DOUBLE_EQ(data->x[1], 0.5);
  EXPECT_DOUBLE_EQ(data->x[2], 0.25);
}

TEST_F(DataFileTest, ObserverCodesAreCutToThreeAndKeepBlanks) {
  ASSERT_EQ(Parse("1.0 2.0 ABCDEF\n2.0 3.0  Z\n3.0 4.0\n"), 3);
  EXPECT_EQ(data->observer[1].str(), "ABC");
  EXPECT_EQ(data->observer[2].str(), " Z");
  EXPECT_EQ(data->observer[3].str(), "");
}

TEST_F(DataFileTest, HeaderOnlyFileHasNoData) {
  EXPECT_EQ(Parse("title\nanother title\n"), 0);
  EXPECT_EQ(Parse(""), 0);
}

TEST_F(DataFileTest, EmptyLinesInsideTheDataArePassedOver) {
  ASSERT_EQ(Parse("1 2\n\n   \n3 4\r\n5 6\n\n"), 3);
  EXPECT_DOUBLE_EQ(data->t[3], 5);
}

TEST_F(DataFileTest, MalformedLineNamesFileLineAndText) {
  std::string text = "title\n1 2\n2 3\n3 4\n4 5\n5 6\n6 x7\n7 8\n";
  try {
    Parse(text);
    FAIL() << "no error";
  } catch (const DataFormatError& e) {
    EXPECT_EQ(e.file(), "star.dat");
    EXPECT_EQ(e.line(), 7);
    EXPECT_EQ(e.text(), "6 x7");
    EXPECT_NE(std::string(e.what()).find("line 7"), std::string::npos);
  }
  // The points before the bad line stay loaded, nothing after it.
  EXPECT_EQ(data->n, 5);
  EXPECT_DOUBLE_EQ(data->x[5], 6);
}

TEST_F(DataFileTest, LineWithoutTheSignalIsMalformed) {
  EXPECT_THROW(Parse("1 2\n3\n"), DataFormatError);
}

TEST_F(DataFileTest, FormatFixUpsWidenNarrowFieldsAndCapX) {
  ASSERT_EQ(Parse("5 1.123456789012345\n"), 1);
  EXPECT_EQ(data->tWidth, 3);  // width 1, no decimals -> at least 3
  EXPECT_EQ(data->xWidth, 14);
  EXPECT_EQ(data->xDecimals, 11);
}

TEST_F(DataFileTest, ExponentsAreNumbers) {
  ASSERT_EQ(Parse("1e2 2.5E-1\n2e2 3e-1\n"), 2);
  EXPECT_DOUBLE_EQ(data->t[2], 200);
  EXPECT_DOUBLE_EQ(data->x[2], 0.3);
}

TEST_F(DataFileTest, EchoReportsThePointsAfterTheFirst) {
  std::vector<std::string> echoed;
  ParseDataText("1 10\n2 20\n3 30\n", "f", *data, columns,
                [&](int i, double t, double x) {
                  echoed.push_back(std::to_string(i) + ":" + std::to_string(int(t)) + ":" +
                                   std::to_string(int(x)));
                });
  EXPECT_EQ(echoed, (std::vector<std::string>{"2:2:20", "3:3:30"}));
}

TEST_F(DataFileTest, UnsortedIndexIsTheLastDecrease) {
  ASSERT_EQ(Parse("1 0\n3 0\n2 0\n5 0\n4 0\n6 0\n"), 6);
  EXPECT_EQ(LastUnsortedIndex(*data), 5);
  ShellSortByTime(*data);
  EXPECT_EQ(LastUnsortedIndex(*data), 0);
}

TEST_F(DataFileTest, SColumnFollowsThePointsOfTheMainReader) {
  std::string text = "title\n1 10 0.5 A\n\n2 20 0.25 B\n";
  ASSERT_EQ(Parse(text), 2);
  EXPECT_EQ(ParseSColumn(text, "f", *data, 2, columns.headerLines), 2);
  EXPECT_DOUBLE_EQ(data->s[1], 0.5);
  EXPECT_DOUBLE_EQ(data->s[2], 0.25);
  ParseSColumn({}, "f", *data, 0, 0);
  EXPECT_DOUBLE_EQ(data->s[1], 1.0);
  EXPECT_DOUBLE_EQ(data->s[MaxPoints], 1.0);
}

// Errors read along with the points must be what the separate reading of
// the error column gives, line for line; where the first line does not hold
// them, nothing is read along and the separate reading (and its message)
// stays in charge.
TEST_F(DataFileTest, ErrorsReadAlongEqualTheSeparateReading) {
  const std::vector<std::string> texts = {
      "# imported\n2459000.1 0.012 15.3 ZTF\n\n2459000.2 1e-3 15.4\n2459000.3 +0.5 -1.5E1 x\n",
      "title\n1 2 3 4 5\n6 7 8 9 10\n",
      "1\t0.25\t9 AB\n2   0.5   8\n"};
  for (int columnX : {2, 3, 4}) {
    for (const std::string& text : texts) {
      SCOPED_TRACE(text + " x in column " + std::to_string(columnX));
      for (int columnS = 1; columnS < columnX; ++columnS) {
        ReadColumns along;
        along.columnX = columnX;
        along.columnS = columnS;
        auto fused = std::make_unique<DataSet>();
        int n = 0;
        try {
          n = ParseDataText(text, "f", *fused, along);
        } catch (const DataFormatError&) {
          continue;  // x beyond the last column of this text
        }
        ASSERT_EQ(static_cast<int>(along.s.size()), n);
        ASSERT_EQ(ParseSColumn(text, "f", *data, columnS, along.headerLines), n);
        for (int i = 1; i <= n; ++i) EXPECT_EQ(along.s[i - 1], data->s[i]) << "point " << i;
      }
    }
  }
  // x in column 2 of a three-column text: the errors are the middle column.
  columns.columnX = 2;
  columns.columnS = 1;
  ASSERT_EQ(Parse(texts[0]), 3);
  EXPECT_EQ(columns.s, (std::vector<double>{0.012, 1e-3, 0.5}));
  EXPECT_EQ(data->x[3], -15.0);

  // Not between t and x, or not a number on the first line: not read along.
  for (auto [x, sColumn, text] : {std::tuple{1, 1, "1 2 3\n"}, std::tuple{2, 2, "1 2 3\n"},
                                  std::tuple{2, 1, "1 ab 3\n2 3 4\n"}}) {
    columns = ReadColumns{};
    columns.columnX = x;
    columns.columnS = sColumn;
    Parse(text);
    EXPECT_TRUE(columns.s.empty()) << text;
  }
  // A bad error on a later line is a bad data line, as before.
  columns = ReadColumns{};
  columns.columnX = 2;
  columns.columnS = 1;
  EXPECT_THROW(Parse("1 2 3\n2 ab 4\n"), DataFormatError);
}

TEST(HeaderLinesAnswer, EmptyAddsPointsBeforeCurrentNumberReplaces) {
  EXPECT_EQ(HeaderLinesFromAnswer("", 2, 5), 6);
  EXPECT_EQ(HeaderLinesFromAnswer("3", 2, 5), 3);
  EXPECT_EQ(HeaderLinesFromAnswer("-4", 2, 5), 0);
  EXPECT_EQ(HeaderLinesFromAnswer("junk", 2, 5), 2);
}

TEST(ShellSort, SortsLargeSetsAndMovesWholePoints) {
  auto d = std::make_unique<DataSet>();
  d->n = 1000;
  unsigned seed = 12345;
  for (int i = 1; i <= d->n; ++i) {
    seed = seed * 1103515245u + 12345u;
    d->t[i] = (seed >> 8) % 997;
    d->x[i] = d->t[i] * 2 + 1;  // x tied to t, so a lost pairing shows
    d->t0[i] = d->t[i];
    d->observer[i] = ObserverCode(std::to_string(static_cast<int>(d->t[i]) % 100));
  }
  ShellSortByTime(*d);
  for (int i = 2; i <= d->n; ++i) EXPECT_LE(d->t[i - 1], d->t[i]);
  for (int i = 1; i <= d->n; ++i) {
    EXPECT_EQ(d->x[i], d->t[i] * 2 + 1);
    EXPECT_EQ(d->t0[i], d->t[i]);
    EXPECT_EQ(d->observer[i].str(), std::to_string(static_cast<int>(d->t[i]) % 100));
  }
}

}  // namespace
}  // namespace teril

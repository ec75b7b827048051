// Four-point interpolation and the table of interpolated values.
#include "smoothing/interpolation_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/io.h"
#include "engine/engine.h"
#include "plot/plot_fixture.h"

namespace teril {
namespace {

class InterpolationTest : public testing::PlotTest {
 protected:
  // Points t = 0..n-1 with x = f(t).
  template <typename F>
  void LoadFunction(int n, F f) {
    std::vector<double> t, x;
    for (int i = 0; i < n; ++i) t.push_back(i), x.push_back(f(static_cast<double>(i)));
    Load(t, x);
  }
};

double Cubic(double t) { return t * t * t - 2 * t * t + 0.5 * t + 3; }

TEST_F(InterpolationTest, FourPointsReproduceACubicAndTheFourAroundTheArgumentAreUsed) {
  LoadFunction(10, Cubic);  // t[i] = i - 1
  for (double a : {-0.7, 0.3, 4.5, 8.9, 11.0}) {
    FourPoint r = FourPointAt(engine->data, a);
    ASSERT_TRUE(r.ok) << a;
    EXPECT_NEAR(r.value, Cubic(a), 1e-9 * (1 + std::fabs(Cubic(a)))) << a;
  }
  // The first index with t >= a, less 2, kept within 1..n-3.
  const std::vector<std::pair<double, int>> cases{{-5, 1}, {2.5, 2}, {4, 3}, {8.5, 7}, {50, 7}};
  for (auto [a, b] : cases) EXPECT_EQ(FourPointAt(engine->data, a).b, b) << a;
}

TEST_F(InterpolationTest, FewerThanFourPointsOrEqualTimesGiveNoValueAndSaySo) {
  LoadFunction(3, [](double t) { return t; });
  EXPECT_NE(FourPointAt(engine->data, 1).why.find("fewer than 4"), std::string::npos);
  Load({0, 1, 1, 2, 3}, {1, 2, 3, 4, 5});
  EXPECT_EQ(Interpolate4(*engine, 1.5), std::nullopt);
  EXPECT_TRUE(host.LoggedPart("no value at t=1.5: points 2 and 3 share the time 1"));
}

TEST(TableRows, CountsTheGridPointsBeforeTheEnd) {
  EXPECT_EQ(TableRows(0, 1, 3), 3);  // 0, 1, 2: the end is not a row
  EXPECT_EQ(TableRows(0, 1, 3.5), 4);
  EXPECT_EQ(TableRows(5, 1, 5), 0);
  EXPECT_EQ(TableRows(5, 1, 2), 0);
  EXPECT_EQ(TableRows(0, 0.1, 0.3), 3);  // 3 * 0.1 = 0.30000000000000004
  EXPECT_EQ(TableRows(-1, 0.25, 1), 8);
  EXPECT_EQ(TableRows(0, 1e-20, 1), std::numeric_limits<long long>::max());
}

TEST_F(InterpolationTest, TableFromZeroByOneToThreeHasTheRowsZeroOneAndTwo) {
  LoadFunction(6, [](double t) { return 2 * t + 1; });
  host.Add({"0", "1", "3", "", "", "", "", ""});
  EXPECT_EQ(InterpolatedTableKey(*engine), Continuation::Rescale);
  EXPECT_TRUE(host.Logged("Printing the table of interpolated data"));
  // Row 2: the first t >= 2 is point 3, so the points 1..4 are used.
  std::vector<std::string> last(host.log.end() - 8, host.log.end());
  EXPECT_EQ(last, (std::vector<std::string>{"V1=", "2", "V2=", "5", "K=", "1", "n=", "6"}));
  EXPECT_EQ(ReadLines("intertab.dat"),
            (std::vector<std::string>{"    0.000000    1.000000", "    1.000000    3.000000",
                                      "    2.000000    5.000000"}));
}

// A table stopped from the progress display leaves the whole table written
// before in place.
TEST_F(InterpolationTest, AStoppedTableDoesNotReplaceTheOneBefore) {
  LoadFunction(6, [](double t) { return 2 * t + 1; });
  WriteText("intertab.dat", "whole\n");
  host.stopAtProgress = 0;
  host.Add({"0", "0.001", "5", "", "", "", "", ""});  // 5,000 rows, a report each 1,000
  InterpolatedTableKey(*engine);
  EXPECT_TRUE(host.Logged("The table was stopped after 1000 of 5000 rows; intertab.dat is not written"));
  EXPECT_EQ(ReadText("intertab.dat"), "whole\n");
}

TEST_F(InterpolationTest, BadAnswersAreAskedAgainAndTheDataFileIsNeverTheTable) {
  WriteText("star.dat", "0 1\n");
  engine->run.inputFile = "star.dat";
  LoadFunction(6, [](double t) { return t; });
  // Start "abc" refused; step 0 and -1 refused (the table would never
  // end); j1 "x" refused; the data file's name refused.
  host.Add({"abc", "1.5", "0", "-1", "2", "6", "x", "6", "2", "9", "4", "star.dat", "t.dat"});
  InterpolatedTableKey(*engine);
  EXPECT_TRUE(host.Logged("\"abc\" is not a number"));
  EXPECT_TRUE(host.Logged("The step must be positive"));
  EXPECT_TRUE(host.Logged("\"x\" is not a whole number from 0 to 60"));
  EXPECT_TRUE(host.Logged("star.dat is the data file; choose another name for the table"));
  EXPECT_EQ(ReadText("star.dat"), "0 1\n");
  EXPECT_EQ(ReadLines("t.dat"),
            (std::vector<std::string>{"  1.50   1.5000", "  3.50   3.5000", "  5.50   5.5000"}));
}

TEST_F(InterpolationTest, RowsWithoutAValueAreLeftOutAndHugeTablesRefused) {
  Load({0, 1, 2, 2, 5, 6, 7, 8}, {0, 1, 2, 2, 5, 6, 7, 8});
  host.Add({"2", "4", "7", "", "", "", "", ""});  // t = 2 meets the equal times, 6 not
  InterpolatedTableKey(*engine);
  auto lines = ReadLines("intertab.dat");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 12), "    6.000000");
  host.Add({"0", "1e-9", "1", "", "", "", "", "big.dat"});
  InterpolatedTableKey(*engine);
  EXPECT_TRUE(host.LoggedPart("rows; choose a larger step"));
  EXPECT_FALSE(FileExists("big.dat"));
  LoadFunction(3, [](double t) { return t; });
  InterpolatedTableKey(*engine);  // nothing asked
  EXPECT_TRUE(host.Logged("The table needs at least 4 points; the data set has 3"));
  EXPECT_TRUE(host.answers.empty());
}

}  // namespace
}  // namespace teril

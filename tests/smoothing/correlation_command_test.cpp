// The correlation command "U", its files and drawing, and the smoothed value
// at the regression line (^U), driven through the key loop.  #12
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "console/file_run.h"
#include "data/settings.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "smoothing/correlation.h"
#include "support/file_run_fixture.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class CorrelationCommandTest : public testing::FileRunTest {
 protected:
  // x = 2t + 1 on t = 1..7 (t with two decimals, x with one).
  std::string LineFile() {
    std::string text;
    for (int t = 1; t <= 7; ++t) text += Str(t, 5, 2) + " " + Str(2.0 * t + 1, 5, 1) + "\n";
    return WriteText("star.dat", text);
  }

  // The texts of the last correlation: from its clearing of the status
  // column to the next clearing of the plot.
  std::vector<std::string> CorrelationTexts() const {
    std::vector<std::string> found;
    bool inside = false;
    for (const auto& c : canvas.calls) {
      if (c.op == "Rectangle" && c.a == 0 && c.b == 110 && c.c == 119 && c.d == 287) {
        inside = true;
        found.clear();
      } else if (c.op == "Clear") {
        inside = false;
      } else if (inside && c.op == "Text") {
        EXPECT_EQ(c.b, 112 + 12 * static_cast<int>(found.size()));
        found.push_back(c.text);
      }
    }
    return found;
  }
};

// Worked by hand: sigmaT = 2 and sigmaX = 4, the deviations with the factor
// sqrt(7/6): 2.160246899469287 and 4.320493798938574; r = 1, sR = 0,
// q = 1e25, b = 2, 1/kT = 0.5, a = 1; the major axis is the line itself,
// k = 2, -1/k = -0.5. The labels show t with tDecimals + 3 = 5 decimals and
// x with 4, as loaded.
TEST_F(CorrelationCommandTest, PointsOnALine) {
  Run(LineFile(), {"U", ";"});
  EXPECT_EQ(ReadLines("star_corr"),
            (std::vector<std::string>{
                "===star.da$",
                "1 7 7 1.00 7.00",
                " 6.00000000000000E+0000  2.16024689946929E+0000",
                " 4.00000000000000E+0000  2.16024689946929E+0000",
                " 9.00000000000000E+0000  4.32049379893857E+0000",
                " 1.00000000000000E+0000  0.00000000000000E+0000  1.00000000000000E+0025",
                " 2.00000000000000E+0000  2.00000000000000E-0025",
                " 5.00000000000000E-0001  5.00000000000000E-0026",
                " 2.00000000000000E+0000 -5.00000000000000E-0001 ortho",
            }));
  EXPECT_EQ(host.messages, (std::vector<std::string>{"corr=1"}));
  EXPECT_EQ(CorrelationTexts(),
            (std::vector<std::string>{"tm=     4.00000", "st=     2.16025", "sT=     0.81650",
                                      "ST=     0.00000", "xm=      9.0000", "sx=      4.3205",
                                      "sX=      1.6330", "SX=      0.0000", "r=  1.000000",
                                      "s= 0.000000", "r/s=" + Str(1e25, 7, 4), "b=   2.00000000",
                                      "+-   0.00000000", "d=   0.50000000", "+-   0.00000000",
                                      "a=   1.00000000", "+-   0.00000000", "nj=      7"}));
  // Both regression lines are this line: t in width 4 + 2, x in 6 + 2.
  EXPECT_EQ(ReadLines("star_regr.dat"),
            (std::vector<std::string>{"1.0000   3.000", "7.0000 15.000", "1.0000   3.000",
                                      "7.0000 15.000"}));
}

// "U" twice in a row: the second is the follow-up of the first, the
// correction of the period ("_corr_P"), and a third "U" correlates again;
// "U", another key, "U" gives two correlations.  #14
TEST_F(CorrelationCommandTest, USecondInARowCorrectsThePeriod) {
  const std::string path = LineFile();
  host.Add({"U", ":Correlation1", "U"});  // the menu item sends "U"
  host.answers.push_back("~G");           // extended keys leave the follow-up flag alone
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  RunDataFile(*engine, path);
  EXPECT_EQ(ReadLines("star_corr").size(), 18u);
  EXPECT_EQ(ReadLines("star_corr_P").size(), 12u);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"corr=1", "corr=1", "corr=1"}));
  EXPECT_TRUE(CorrelationFollowUpPending(*engine));

  host.messages.clear();
  host.Add({"U", "3", "U"});
  host.answers.push_back("~G");
  ResetEngine(*engine, true);
  RunDataFile(*engine, path);
  EXPECT_EQ(ReadLines("star_corr").size(), 36u);
  EXPECT_EQ(ReadLines("star_corr_P").size(), 12u);
}

// The smoothed value on the three points by hand (tMean = xMean = 1,
// b = 1/2, b/q = sqrt(3)/2, SX^2 = 1/2): at a = 3 the line gives 2 with the
// error sqrt((2 sqrt(3)/2)^2 + 1/2) = sqrt(3.5); Enter takes the current
// point t = 0: 0.5 with sqrt(3/4 + 1/2).
TEST_F(CorrelationCommandTest, SmoothedValueAtTheRegressionLine) {
  const std::string path = WriteText("three.dat", "0.0 0.0\n1.0 2.0\n2.0 1.0\n");
  Run(path, {"U", "^U", "3", "x", "\x15", "", "x", ";"});
  std::vector<std::size_t> at;  // where each report begins
  for (std::size_t i = 0; i < host.log.size(); ++i)
    if (host.log[i] == "x_c(t)=") at.push_back(i);
  ASSERT_EQ(at.size(), 2u);
  auto value = [&](std::size_t i) { return *ParseNumber(host.log[i]); };
  const auto& l = host.log;
  EXPECT_EQ(std::vector<std::string>(l.begin() + at[0] - 2, l.begin() + at[0]),
            (std::vector<std::string>{"t=", "3"}));
  EXPECT_NEAR(value(at[0] + 1), 2, 1e-14);
  EXPECT_EQ(l[at[0] + 2] + l[at[0] + 4] + l[at[0] + 5], " ()     +-");
  EXPECT_NEAR(value(at[0] + 6), std::sqrt(3.5), 1e-13);
  EXPECT_EQ(l[at[0] + 10], "");
  EXPECT_EQ(std::vector<std::string>(l.begin() + at[1] - 2, l.begin() + at[1]),
            (std::vector<std::string>{"OUT<<", "0"}));  // no "t=" at the current point
  EXPECT_NEAR(value(at[1] + 1), 0.5, 1e-14);
  EXPECT_NEAR(value(at[1] + 6), std::sqrt(1.25), 1e-13);
}

}  // namespace
}  // namespace teril

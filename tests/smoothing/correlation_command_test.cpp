// The correlation command "U", its files and drawing, and the smoothed value
// at the regression line (^U), driven through the key loop.  #12
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "console/file_run.h"
#include "data/settings.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "smoothing/correlation.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class CorrelationCommandTest : public testing::EngineTest {
 protected:
  testing::RecordingCanvas canvas;

  void Run(const std::string& path, std::initializer_list<std::string> keys) {
    host.Add(keys);
    ResetEngine(*engine, true);
    AttachCanvas(*engine, &canvas);
    RunDataFile(*engine, path);
  }

  // x = 2t + 1 on t = 1..7 (t with two decimals, x with one).
  std::string LineFile() {
    std::string text;
    for (int t = 1; t <= 7; ++t) text += Str(t, 5, 2) + " " + Str(2.0 * t + 1, 5, 1) + "\n";
    return WriteText("star.dat", text);
  }

  // The calls of the last correlation: from its clearing of the status
  // column to the next clearing of the plot.
  std::vector<testing::CanvasCall> CorrelationCalls(const char* op) const {
    std::vector<testing::CanvasCall> found;
    bool inside = false;
    for (const auto& c : canvas.calls) {
      if (c.op == "Rectangle" && c.a == 0 && c.b == 110 && c.c == 119 && c.d == 287) {
        inside = true;
        found.clear();
      } else if (c.op == "Clear") {
        inside = false;
      } else if (inside && c.op == op) {
        found.push_back(c);
      }
    }
    return found;
  }
};

// The nine lines of "_corr", worked by hand: sigmaT = 2 and sigmaX = 4, the
// deviations with the factor sqrt(7/6): 2.160246899469287 and
// 4.320493798938574; r = 1, sR = 0, q = 1e25, b = 2, 1/kT = 0.5, and the
// major axis of the points is the line itself, k = 2, -1/k = -0.5.
TEST_F(CorrelationCommandTest, PointsOnALineGiveTheNineLinesOfCorr) {
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
}

// The status column: t with tDecimals + 3 = 5 decimals, x with 4, as loaded.
TEST_F(CorrelationCommandTest, PointsOnALineShowRBDAndA) {
  Run(LineFile(), {"U", ";"});
  std::vector<std::string> texts;
  for (const auto& c : CorrelationCalls("Text")) {
    EXPECT_EQ(c.a, 0);
    EXPECT_EQ(c.b, 112 + 12 * static_cast<int>(texts.size()));
    texts.push_back(c.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "tm=     4.00000", "st=     2.16025", "sT=     0.81650", "ST=     0.00000",
                       "xm=      9.0000", "sx=      4.3205", "sX=      1.6330", "SX=      0.0000",
                       "r=  1.000000", "s= 0.000000", "r/s=" + Str(1e25, 7, 4), "b=   2.00000000",
                       "+-   0.00000000", "d=   0.50000000", "+-   0.00000000", "a=   1.00000000",
                       "+-   0.00000000", "nj=      7"}));
}

// "U" twice in a row: the second is the follow-up of the first and, without
// a period correction in this program, runs the correlation again.
TEST_F(CorrelationCommandTest, UTwiceRunsTheCorrelationTwice) {
  const std::string path = LineFile();
  host.Add({"U", "U"});
  host.answers.push_back("~G");  // extended keys leave the follow-up flag alone
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  RunDataFile(*engine, path);
  EXPECT_EQ(ReadLines("star_corr").size(), 18u);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"corr=1", "corr=1"}));
  EXPECT_TRUE(CorrelationFollowUpPending(*engine));

  host.messages.clear();
  host.Add({"U", "3"});
  host.answers.push_back("~G");
  ResetEngine(*engine, true);
  RunDataFile(*engine, path);
  EXPECT_TRUE(engine->correlation.justCorrelated);
  EXPECT_FALSE(CorrelationFollowUpPending(*engine));  // "3" came between
  EXPECT_EQ(ReadLines("star_corr").size(), 27u);
}

// The two regression lines in "_regr.dat": both ends of each on the line
// x = 2t + 1, within the window, written t (width + 2, decimals + 2), a
// blank, x; then the second end without the blank.
TEST_F(CorrelationCommandTest, RegressionLinesFileHoldsTheEndsOnTheLine) {
  Run(LineFile(), {"U", ";"});
  const DataSet& d = engine->data;
  auto lines = ReadLines("star_regr.dat");
  ASSERT_EQ(lines.size(), 4u);
  const int tw = d.tWidth + 2, xw = d.xWidth + 2;
  for (std::size_t i = 0; i < 4; ++i) {
    const bool first = i % 2 == 0;
    ASSERT_EQ(lines[i].size(), static_cast<std::size_t>(tw + xw + (first ? 1 : 0))) << lines[i];
    if (first) {
      EXPECT_EQ(lines[i][tw], ' ');
    }
    const double t = *ParseNumber(lines[i].substr(0, tw));
    const double x = *ParseNumber(lines[i].substr(lines[i].size() - xw));
    EXPECT_NEAR(x, 2 * t + 1, 1e-4) << lines[i];
    EXPECT_GE(t, 1 - 1e-4);
    EXPECT_LE(t, 7 + 1e-4);
  }
}

// The drawing: the level line at x[1] (row of 3), the line at tMean, the
// line at xMean, the two crossing marks in navy and the two ellipses; the
// pen ends at the main colour.
TEST_F(CorrelationCommandTest, DrawsTheMeansTheCrossingAndTheEllipses) {
  const std::string path = WriteText("cloud.dat", "0.0 0.0\n1.0 2.0\n2.0 1.0\n3.0 3.5\n");
  Run(path, {"U", ";"});
  const ViewState& v = engine->view;
  const CorrelationState& c = engine->correlation;
  const auto lines = CorrelationCalls("LineTo");
  // 3 lines, 2 marks, 2 regression lines, 2 ellipses of 500 segments.
  ASSERT_EQ(lines.size(), 3u + 2 + 2 + 1000);
  const int yc = ToPixelY(v, 0.0);  // levelYc = x[1]
  EXPECT_EQ(lines[0].b, yc);
  EXPECT_EQ(lines[0].a, 120);
  EXPECT_EQ(lines[0].c, 640);
  EXPECT_EQ(lines[1].a, ToPixelX(v, c.tMean));
  EXPECT_EQ(lines[2].b, ToPixelY(v, c.xMean));
  EXPECT_EQ(lines[0].pen, Palette[12]);
  EXPECT_EQ(lines[3].pen, Palette[11]);
  EXPECT_EQ(lines[3].b, yc - 15);
  EXPECT_EQ(lines[3].d, yc + 15);
  EXPECT_LT(lines[3].a, lines[4].a);  // tC - sigmaC, then tC + sigmaC
  EXPECT_EQ(canvas.pen, Palette[v.mainColor]);
}

TEST_F(CorrelationCommandTest, NoPointWithAWeightIsReportedAndNothingWritten) {
  DataSet& d = engine->data;
  d.n = 3;
  for (int i = 1; i <= 3; ++i) {
    d.t[i] = d.t0[i] = i;
    d.x[i] = i * i;
    d.s[i] = 0;
  }
  d.weightsLoaded = true;
  engine->run.inputFile = "w.dat";
  AttachCanvas(*engine, &canvas);
  ResetView(*engine);
  CorrelationKey(*engine);
  EXPECT_TRUE(host.Logged("Correlation: no visible point has an error s > 0"));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(FileExists("w_corr"));
  EXPECT_FALSE(engine->correlation.valid);
}

// Uncorrelated points (r = 0 with an error) and a single point: every
// number written is finite.
TEST_F(CorrelationCommandTest, DegenerateSeriesWriteNoNaNOrInfinity) {
  for (const std::string& text :
       {std::string("-1.0 1.0\n0.0 0.0\n1.0 1.0\n"), std::string("5.0 3.0\n")}) {
    Run(WriteText("odd.dat", text), {"U", ";"});
    const std::string corr = ReadText("odd_corr") + ReadText("odd_regr.dat");
    EXPECT_EQ(corr.find("NaN"), std::string::npos) << corr;
    EXPECT_EQ(corr.find("Inf"), std::string::npos) << corr;
    for (const auto& call : canvas.calls) {
      if (call.op != "Text") continue;
      EXPECT_EQ(call.text.find("NaN"), std::string::npos) << call.text;
      EXPECT_EQ(call.text.find("Inf"), std::string::npos) << call.text;
    }
    std::filesystem::remove(dir / "odd_corr");
  }
}

// The smoothed value on the three points by hand (tMean = xMean = 1,
// b = 1/2, b/q = sqrt(3)/2, SX^2 = 1/2): at a = 3 the line gives 2 with the
// error sqrt((2 sqrt(3)/2)^2 + 1/2) = sqrt(3.5); Enter takes the current
// point t = 0: 0.5 with sqrt(3/4 + 1/2).
TEST_F(CorrelationCommandTest, SmoothedValueAtTheRegressionLine) {
  const std::string path = WriteText("three.dat", "0.0 0.0\n1.0 2.0\n2.0 1.0\n");
  Run(path, {"U", "^U", "3", "x", "\x15", "", "x", ";"});
  auto at = [&](const std::string& line) {
    for (std::size_t i = 0; i < host.log.size(); ++i)
      if (host.log[i] == line) return static_cast<long>(i);
    return -1L;
  };
  const long first = at("x_c(t)=");
  ASSERT_GE(first, 2);
  EXPECT_EQ(host.log[first - 2], "t=");
  EXPECT_EQ(host.log[first - 1], "3");
  EXPECT_NEAR(*ParseNumber(host.log[first + 1]), 2, 1e-14);
  EXPECT_EQ(host.log[first + 2], " (");
  EXPECT_EQ(host.log[first + 4], ")");
  EXPECT_EQ(host.log[first + 5], "     +-");
  EXPECT_NEAR(*ParseNumber(host.log[first + 6]), std::sqrt(3.5), 1e-13);
  EXPECT_EQ(host.log[first + 10], "");
  // The second run, at the current point, has no "t=" line.
  long second = -1;
  for (std::size_t i = first + 1; i < host.log.size(); ++i)
    if (host.log[i] == "x_c(t)=") second = static_cast<long>(i);
  ASSERT_GT(second, first);
  EXPECT_EQ(host.log[second - 1], "0");
  EXPECT_NE(host.log[second - 2], "t=");
  EXPECT_NEAR(*ParseNumber(host.log[second + 1]), 0.5, 1e-14);
  EXPECT_NEAR(*ParseNumber(host.log[second + 6]), std::sqrt(1.25), 1e-13);
}

TEST_F(CorrelationCommandTest, SmoothedValueWithoutACorrelationSaysSo) {
  Run(LineFile(), {"^U", ";"});
  EXPECT_TRUE(host.LoggedPart("no regression line yet"));
  EXPECT_FALSE(host.Logged("x_c(t)="));
}

// The menu entries: the action "Corelation" (U) behind the hidden item
// "Correlation1", and "ACF1" (Ctrl+C), each handing its key to the wait.
TEST_F(CorrelationCommandTest, MenuEntriesSendTheirKeys) {
  ASSERT_NE(FindCommand("Correlation1"), nullptr);
  EXPECT_EQ(FindCommand("Correlation1")->name, "Corelation");
  ASSERT_NE(ShortcutOwner("U"), nullptr);
  EXPECT_EQ(ShortcutOwner("U")->name, "Corelation");
  ASSERT_NE(ShortcutOwner("Ctrl+C"), nullptr);
  EXPECT_EQ(ShortcutOwner("Ctrl+C")->name, "ACF1");
  Run(LineFile(), {":Correlation1", ":ACF1", ";"});
  EXPECT_EQ(host.messages, (std::vector<std::string>{"corr=1"}));
  EXPECT_EQ(engine->data.t[2], 1);  // lag 1 after the autocorrelation
}

}  // namespace
}  // namespace teril

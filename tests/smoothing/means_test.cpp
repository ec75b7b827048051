// Bin mean, point mean, the statistics of errors and the histogram, on small
// series whose results are worked out by hand in the comments, or from the
// raw power sums, a formula the code does not use.
#include "smoothing/means.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "plot/plot_fixture.h"
#include "smoothing/histogram.h"

namespace teril {
namespace {

class MeansTest : public testing::PlotTest {
 protected:
  // Shows every point, then fixes the print formats (ResetView derives the
  // widths from the data).
  void Show() {
    ResetView(*engine);
    engine->data.tWidth = engine->data.xWidth = 8;
    engine->data.tDecimals = engine->data.xDecimals = 3;
  }
};

TEST_F(MeansTest, BinMeanRecordsAndThePointAtTheRightEdgeInTheLastBin) {
  // t = 0..9 in three bins of width 3; t = 9 = tMax gives bin 4, capped at 3.
  Load({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {10.0, 10.2, 10.4, 11, 11, 11, 12, 12.5, 13, 13.5});
  Show();
  engine->eph.NNH = 3;
  BinMean(*engine);
  // Bin 1: deviations -0.2, 0, 0.2: sigma = sqrt(0.08/3/2) = 0.11547, times
  // sqrt 3 = 0.2. Bin 3: deviations +-0.25, +-0.75: sqrt(1.25/4/3) = 0.32275.
  EXPECT_EQ(ReadLines("_f4.dat"),
            (std::vector<std::string>{"   1.000 10.2000   0.1155   0.2000  1   3",
                                      "   4.000 11.0000   0.0000   0.0000  2   3",
                                      "   7.500 12.7500   0.3227   0.6455  3   4"}));
  // Yellow bin borders at b*500 div 3 + 130.
  std::vector<int> borders;
  for (auto& c : canvas.calls)
    if (c.op == "LineTo" && c.pen == Rgb{255, 255, 0} && c.b == 10 && c.d == 300)
      borders.push_back(c.a);
  EXPECT_EQ(borders, (std::vector<int>{296, 463, 630}));
  // 13.5 at the top, 10 at the bottom: xScale = -80, xMid = 11.75; bin 1 at
  // row round(-1.55 * -80) + 150 = 274, its box round(0.11547 * -80) = -9.
  int boxes = 0;
  for (auto& c : canvas.calls)
    boxes += c.op == "Rectangle" && c.a == 296 && c.b == 265 && c.c == 130 && c.d == 283;
  EXPECT_EQ(boxes, 1);
}

TEST_F(MeansTest, BinMeanWithNNHZeroRunsWithFiftyBinsAndLeavesFifty) {
  std::vector<double> t, x;
  for (int i = 0; i < 100; ++i) {  // bins of width 1.98: none empty
    t.push_back(i);
    x.push_back(12 + 0.01 * (i % 5));
  }
  Load(t, x);
  Show();
  engine->eph.NNH = 0;
  BinMean(*engine);
  EXPECT_EQ(engine->eph.NNH, 50);
  EXPECT_EQ(TextAt(0, 300), "nnh=50");
  auto lines = ReadLines("_f4.dat");
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(lines[49].substr(34), " 50   2");  // t = 98 and 99
}

TEST_F(MeansTest, PointMeanGroupsEveryPointAndNamesTheFileAfterNNH) {
  Load({1, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 4, 5, 6, 7});
  Show();
  v().tMin = 3;  // the groups ignore the window
  v().tMax = 4;
  Redraw(*engine);
  engine->run.inputFile = "star.v.dat";
  engine->eph.NNH = 3;
  host.Add({"x"});
  EXPECT_EQ(PointMeanKey(*engine), Continuation::Window);
  EXPECT_TRUE(host.answers.empty());  // the wait took its key
  // sigma of {1,2,3} = sqrt((14/3 - 4)/2) = 0.57735; the last group of one.
  EXPECT_EQ(ReadLines("star_3mean.dat"),
            (std::vector<std::string>{"   2.000    2.00000    0.57735    3",
                                      "   5.000    5.00000    0.57735    3",
                                      "   7.000    7.00000    0.00000    1"}));
}

TEST_F(MeansTest, MeanErrorNeedsTheSColumnAndSumsTheVisibleErrors) {
  Load({1, 2, 3, 4, 5, 6}, {5, 5, 5, 5, 5, 6});
  Show();
  MeanErrorKey(*engine);
  EXPECT_EQ(TextAt(0, 210), "No weights loaded");
  engine->data.weightsLoaded = true;
  const double s[] = {0.1, -1, 0.2, 0, 0.2, 0.01};
  for (int i = 1; i <= 6; ++i) engine->data.s[i] = s[i - 1];
  v().tMax = 5;  // t = 6 with its error 0.01 outside
  Redraw(*engine);
  EXPECT_EQ(MeanErrorKey(*engine), Continuation::Read);
  // w = 100, 25, 25: sum 150, sum of squares 11250, Neff = 150^2/11250 = 2.
  EXPECT_EQ(TextAt(0, 160), " nj=3");
  EXPECT_EQ(TextAt(0, 210), "Neff=  2.0000000");
  EXPECT_EQ(TextAt(0, 198), "sum_w=150.0000000");
  EXPECT_EQ(TextAt(0, 172), "<sig_h>=  0.1414214");  // sqrt(3/150)
  EXPECT_EQ(TextAt(0, 186), "sig_a=  0.1732051");    // sqrt(0.09/3)
}

TEST_F(MeansTest, SigmaStatisticsTakeTheErrorsFromX) {
  Load({1, 2, 3, 4}, {0.1, 0.2, -0.5, 0.2});
  Show();
  SigmaStatisticsKey(*engine);
  EXPECT_EQ(TextAt(0, 160), " nj=3");
  EXPECT_EQ(TextAt(0, 170), "<sig>_w=  0.1414214");
  EXPECT_EQ(TextAt(0, 190), "<sig>_1=  0.1666667");  // 0.5 / 3
  EXPECT_EQ(TextAt(0, 200), "<sig>_2=  0.1732051");
  EXPECT_EQ(TextAt(0, 210), "N_eff=  2.0000000");
}

TEST(SumErrors, TinyAndHugeErrorsNeitherOverflowNorVanish) {
  // Weights of 1e400 or 1e-400 lie beyond the doubles; their quotients not.
  ErrorSums tiny = SumErrors({1e-200, 1e-200, 2e-200});
  EXPECT_NEAR(tiny.effective, 2.25 * 2.25 / 2.0625, 1e-12);  // (1+1+1/4)^2/(1+1+1/16)
  EXPECT_NEAR(tiny.harmonic / 1e-200, std::sqrt(3 / 2.25), 1e-12);
  EXPECT_FALSE(std::isfinite(tiny.sumW));  // and therefore not shown
  ErrorSums huge = SumErrors({1e200, 1e200});
  EXPECT_NEAR(huge.effective, 2, 1e-12);
  EXPECT_NEAR(huge.rms / 1e200, 1, 1e-12);
}

class HistogramTest : public testing::PlotTest {
 protected:
  // x at t = 0, 1, ...; every point visible; the signal limits as given.
  void LoadValues(const std::vector<double>& x, double xMin, double xMax) {
    std::vector<double> t;
    for (std::size_t i = 0; i < x.size(); ++i) t.push_back(static_cast<double>(i));
    Load(t, x);
    v().firstVisible = 1;
    v().lastVisible = engine->data.n;
    v().tMin = 0;
    v().tMax = engine->data.n - 1;
    v().xMin = xMin;
    v().xMax = xMax;
  }
};

TEST_F(HistogramTest, MomentsAgreeWithTheRawPowerSums) {
  // mu2 = S2/N - m^2, mu3 = S3/N - 3 m S2/N + 2 m^3,
  // mu4 = S4/N - 4 m S3/N + 6 m^2 S2/N - 3 m^4.
  std::vector<double> x;
  for (int i = 0; i < 500; ++i) x.push_back(std::pow(std::fmod(i * 0.618034, 1.0), 2) * 3 - 1);
  LoadValues(x, *std::min_element(x.begin(), x.end()), *std::max_element(x.begin(), x.end()));
  HistogramResult h = ComputeHistogram(engine->data, v(), 20);
  double S1 = 0, S2 = 0, S3 = 0, S4 = 0;
  for (double a : x) S1 += a, S2 += a * a, S3 += a * a * a, S4 += a * a * a * a;
  const double N = 500, m = S1 / N, mu2 = S2 / N - m * m;
  const double mu3 = S3 / N - 3 * m * S2 / N + 2 * m * m * m;
  const double mu4 = S4 / N - 4 * m * S3 / N + 6 * m * m * S2 / N - 3 * m * m * m * m;
  EXPECT_EQ(h.N, 500);  // the largest value is kept inside the last bin
  EXPECT_NEAR(h.mean, m, 1e-13);
  EXPECT_NEAR(h.sigma, std::sqrt(mu2), 1e-12);
  EXPECT_NEAR(h.asymmetry, mu3 / std::pow(mu2, 1.5), 1e-10);
  EXPECT_NEAR(h.excess, mu4 / (mu2 * mu2) - 3, 1e-10);
}

TEST_F(HistogramTest, NormalAndInverseOrientationGiveTheSameCountsInReverseOrder) {
  // Away from the edges of 5 bins of width 2 over 0..10.
  const std::vector<double> x{0.5, 1.1, 2.5, 3.3, 3.9, 5.1, 7.7, 8.2, 8.4, 9.9, 9.5};
  LoadValues(x, 0, 10);  // smaller values at the top
  HistogramResult inverse = ComputeHistogram(engine->data, v(), 5);
  LoadValues(x, 10, 0);  // larger values at the top
  HistogramResult normal = ComputeHistogram(engine->data, v(), 5);
  EXPECT_EQ(inverse.counts, (std::vector<int>{0, 2, 3, 1, 1, 4}));
  EXPECT_EQ(normal.counts, (std::vector<int>{0, 4, 1, 1, 3, 2}));
  // The outline of the normal orientation runs by descending x.
  EXPECT_EQ(HistogramOutline(normal, 10, 0, 6, 2).substr(0, 27), " 10.00 0\n 10.00 4\n  8.00 4\n");
}

TEST_F(HistogramTest, OutlineLinesAndPointsOutsideTheLimits) {
  // Limits 0..2 in 2 bins; 100 is outside the bins but inside the moments,
  // which are divided by the count in the bins (4).
  LoadValues({0.5, 1.2, 1.5, 1.9, 100}, 0, 2);
  HistogramResult h = ComputeHistogram(engine->data, v(), 2);
  EXPECT_EQ(HistogramOutline(h, 0, 2, 8, 3),
            "   0.000 0\n   0.000 1\n   1.000 1\n   1.000 0\n   1.000 3\n   2.000 3\n   2.000 0\n");
  EXPECT_DOUBLE_EQ(h.mean, 5.1 / 4);
  // Deviations from 1.275: -0.775, -0.075, 0.225, 0.625, 98.725; the sum of
  // their squares 9747.673125 over 4.
  EXPECT_NEAR(h.sigma, std::sqrt(9747.673125 / 4), 1e-10);
}

TEST_F(HistogramTest, ASignalRangeOfNoWidthPutsTheValueIntoTheFirstBin) {
  LoadValues({7, 7, 7}, 7, 7);
  HistogramResult h = ComputeHistogram(engine->data, v(), 3);
  EXPECT_EQ(h.counts, (std::vector<int>{0, 3, 0, 0}));
  EXPECT_EQ(h.excess, -3);  // no spread
  EXPECT_EQ(HistogramOutline(h, 7, 7, 5, 1).substr(0, 16), "  7.0 0\n  7.0 3\n");
}

TEST_F(HistogramTest, TheCommandShowsTheMomentsWorkedByHandAndTheBars) {
  // 1, 2, 3, 4, 10: mean 4, deviations -3 -2 -1 0 6: sums of powers 50,
  // 180, 1394; M2 = 10, A = 180/(sqrt 10 * 50) = 1.13842, E = 1394/500 - 3.
  LoadValues({1, 2, 3, 4, 10}, 0, 0);
  ResetView(*engine);  // limits 10 (top) .. 1 (bottom)
  engine->run.tDecimalsAtLoad = 2;
  engine->eph.NNH = 9;
  host.Add({"x"});
  EXPECT_EQ(HistogramKey(*engine), Continuation::Window);
  EXPECT_TRUE(host.answers.empty());
  const std::vector<std::pair<int, std::string>> rows{
      {130, " nj =     5"},     {144, "mean=   4.00000"},  {160, "sigm=   3.16228"},
      {174, "Asymm.=  1.1384"}, {190, "Excess= -0.2120"},  {204, "Alp_2=  1.6000"},
      {220, "Alp_3=  3.0864"},  {234, "(s/m)^2=  0.6250"}, {250, "Alp_4=-28.3019"}};
  for (auto& [row, text] : rows) EXPECT_EQ(TextAt(5, row), text);
  // 10 alone in bin 1 (rows 10..41); top = 1 + 1 = 2. q = 0.8, error 0.894:
  // columns trunc(630 - 1.894 * 250) = 156, trunc(630 - 0.106 * 250) = 603.
  int marks = 0;
  for (auto& c : canvas.calls) {
    marks += c.op == "LineTo" && c.b == 41 && c.d == 10 && (c.a == 156 || c.a == 603);
    marks += c.op == "Rectangle" && c.a == 380 && c.b == 10 && c.c == 630 && c.d == 41;
  }
  EXPECT_EQ(marks, 3);
  EXPECT_EQ(ReadLines("_hist.dat").size(), 28u);  // 3 m + 1
}

TEST_F(HistogramTest, AnEmptyHistogramHasMeanZeroExcessMinusThreeAndNoBars) {
  LoadValues({5, 6}, 0, 0);
  ResetView(*engine);
  v().xMin = 0;  // limits that hold no value
  v().xMax = 1;
  host.Add({"x"});
  HistogramKey(*engine);
  EXPECT_EQ(TextAt(5, 130), " nj =     0");
  EXPECT_EQ(TextAt(5, 144), "mean=0.00000000");  // t decimals 5 + 3
  EXPECT_EQ(TextAt(5, 204), "");                 // sigma 0: no Alp_2
  EXPECT_EQ(TextAt(5, 250), "Alp_4= -2.0000");   // 6 / -3
  for (auto& c : canvas.SinceLastClear()) EXPECT_NE(c.op, "LineTo");
  std::string file = ReadText("_hist.dat");
  EXPECT_EQ(file.find("NaN"), std::string::npos);
}

}  // namespace
}  // namespace teril

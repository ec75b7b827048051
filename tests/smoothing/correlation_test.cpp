// The numbers of correlation and regression, against sums written out in
// the test and values worked by hand.  #12
#include "smoothing/correlation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/engine.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

// A data set of the given points (s = 1 unless given).
DataSet Points(const std::vector<double>& t, const std::vector<double>& x,
               const std::vector<double>& s = {}) {
  DataSet d;
  d.n = static_cast<int>(t.size());
  for (int i = 1; i <= d.n; ++i) {
    d.t[i] = d.t0[i] = t[i - 1];
    d.x[i] = x[i - 1];
    d.s[i] = s.empty() ? 1.0 : s[i - 1];
  }
  return d;
}

CorrelationState All(const DataSet& d, bool weighted = false) {
  return ComputeCorrelation(d, 1, d.n, -1e30, 1e30, weighted);
}

// t = 0, 1, 2 and x = 0, 2, 1 by hand: means 1 and 1, sums of squares 2 and
// 2, cross sum 1; sigmaT = sigmaX = sqrt(2/3), r = 1/(3 * 2/3) = 1/2,
// sR = sqrt(0.75/1), q = 1/sqrt(3), b = 1/2, kT = 2, SX = sqrt(2)/2, both
// slope errors sqrt(3)/2. The level 2 is crossed at tC = (2 - 1)/2 + 1 =
// 1.5 with the error of the slope part (2 - 1) sqrt(3)/2 and of the mean
// part sigmaT^2/n = 2/9: sigmaC^2 = 3/4 + 2/9 = 35/36, in units of t.  #12
TEST(Correlation, ThreePointsByHand) {
  CorrelationState c = All(Points({0, 1, 2}, {0, 2, 1}));
  EXPECT_DOUBLE_EQ(c.r, 0.5);
  EXPECT_NEAR(c.sR, std::sqrt(3.0) / 2, 1e-15);
  EXPECT_NEAR(c.q, 1 / std::sqrt(3.0), 1e-15);
  EXPECT_NEAR(c.b, 0.5, 1e-15);
  EXPECT_NEAR(c.kT, 2, 1e-15);
  EXPECT_NEAR(c.SX, std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(c.sigmaB, 0.5 * std::sqrt(3.0), 1e-14);
  EXPECT_NEAR(c.sigmaD, 0.5 * std::sqrt(3.0), 1e-14);
  EXPECT_NEAR(UnbiasedDeviation(c.sigmaT, c.nEff), 1.0, 1e-15);
  EXPECT_NEAR(ErrorOfMean(c.sigmaT, c.nEff), std::sqrt(1.0 / 3), 1e-15);
  LevelCrossing lc = CrossingOfLevel(c, 2);
  EXPECT_NEAR(lc.tC, 1.5, 1e-15);
  EXPECT_NEAR(lc.sigmaC, std::sqrt(35.0) / 6, 1e-14);
  // t measured in other units scales the crossing and its error alike.
  LevelCrossing lc1000 = CrossingOfLevel(All(Points({0, 1000, 2000}, {0, 2, 1})), 2);
  EXPECT_NEAR(lc1000.sigmaC, 1000 * lc.sigmaC, 1e-9);
}

// Weighted least squares by the normal equations of x = a + b t in raw
// moments (Cramer's rule), and the slope of t on x the same way; r^2 is the
// product of the two slopes.
TEST(Correlation, WeightedRegressionAgreesWithTheNormalEquations) {
  const std::vector<double> t{1, 2, 3, 5, 8, 9}, x{2.0, 2.9, 4.2, 5.8, 9.1, 9.0},
      s{0.1, 0.2, 0.1, 0.4, 0.2, -1};  // the last point has no weight
  DataSet d = Points(t, x, s);
  CorrelationState c = All(d, true);
  double S = 0, St = 0, Sx = 0, Stt = 0, Sxx = 0, Stx = 0, Sw2 = 0;
  for (int i = 0; i < 5; ++i) {
    const double w = 1 / (s[i] * s[i]);
    S += w;
    St += w * t[i];
    Sx += w * x[i];
    Stt += w * t[i] * t[i];
    Sxx += w * x[i] * x[i];
    Stx += w * t[i] * x[i];
    Sw2 += w * w;
  }
  const double bXonT = (S * Stx - St * Sx) / (S * Stt - St * St);
  const double bTonX = (S * Stx - St * Sx) / (S * Sxx - Sx * Sx);
  EXPECT_EQ(c.count, 5);
  EXPECT_NEAR(c.tMean, St / S, 1e-12);
  EXPECT_NEAR(c.xMean, Sx / S, 1e-12);
  EXPECT_NEAR(c.sigmaT, std::sqrt(Stt / S - (St / S) * (St / S)), 1e-10);
  EXPECT_NEAR(c.b, bXonT, 1e-11);
  EXPECT_NEAR(c.kT, 1 / bTonX, 1e-11);
  EXPECT_NEAR(c.r, std::sqrt(bXonT * bTonX), 1e-12);
  EXPECT_NEAR(c.nEff, S * S / Sw2, 1e-9);
  EXPECT_NEAR(c.sR, std::sqrt((1 - c.r * c.r) / (S * S / Sw2 - 2)), 1e-12);
  EXPECT_NEAR(c.q, c.r / c.sR, 1e-9);
}

// Too few points (deviations and r 0, q and kT the sentinel) and exactly
// uncorrelated points (x = t^2 on -1, 0, 1: r = 0 with sR = 1, so q = 0 and
// b/q would be 0/0): every value stays finite.
struct DegenerateCase {
  const char* name;
  std::vector<double> t, x, s;
  bool weighted;
};

class DegenerateTest : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(DegenerateTest, GivesFiniteValuesOnly) {
  const DegenerateCase& p = GetParam();
  CorrelationState c = All(Points(p.t, p.x, p.s), p.weighted);
  EXPECT_EQ(c.r, 0);
  EXPECT_EQ(c.kT, 1e25);
  for (double v : {c.b, c.q, c.sigmaB, c.sigmaD, c.SX, UnbiasedDeviation(c.sigmaT, c.nEff),
                   ErrorOfMean(c.sigmaX, c.nEff), 1 / c.kT})
    EXPECT_TRUE(std::isfinite(v));
}

INSTANTIATE_TEST_SUITE_P(
    Correlation, DegenerateTest,
    ::testing::Values(DegenerateCase{"OneUnweighted", {3}, {7}, {}, false},
                      DegenerateCase{"TwoWeighted", {1, 2}, {3, 5}, {0.1, 0.2}, true},
                      DegenerateCase{"Uncorrelated", {-1, 0, 1}, {1, 0, 1}, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The uncorrelated case: the slope error sR sigmaX/sigmaT = sqrt(2/9)/sqrt(2/3).
TEST(Correlation, UncorrelatedPointsKeepTheSlopeError) {
  CorrelationState c = All(Points({-1, 0, 1}, {1, 0, 1}));
  EXPECT_EQ(c.q, 0);
  EXPECT_NEAR(c.sigmaB, 1 / std::sqrt(3.0), 1e-15);
}

// The orthogonal slope is the slope of the principal eigenvector of the
// covariance matrix [[A, C], [C, B]], A = sigmaT^2, B = sigmaX^2,
// C = r sigmaT sigmaX: lambda = (A+B)/2 + sqrt(((A-B)/2)^2 + C^2), slope
// (lambda - A)/C.  #12: the arguments of atan2 were exchanged.
struct AxisCase {
  double sigmaT, sigmaX, r;
  friend void PrintTo(const AxisCase& c, std::ostream* os) {
    *os << "sigmaT=" << c.sigmaT << " sigmaX=" << c.sigmaX << " r=" << c.r;
  }
};

class OrthogonalSlopeTest : public ::testing::TestWithParam<AxisCase> {};

TEST_P(OrthogonalSlopeTest, IsTheSlopeOfTheMajorAxis) {
  const auto [sT, sX, r] = GetParam();
  const double A = sT * sT, B = sX * sX, C = r * sT * sX;
  const double lambda = (A + B) / 2 + std::sqrt((A - B) * (A - B) / 4 + C * C);
  const double expected = (lambda - A) / C;
  EXPECT_NEAR(OrthogonalSlope(sT, sX, r), expected, 1e-9 * std::max(1.0, std::fabs(expected)));
}

INSTANTIATE_TEST_SUITE_P(Correlation, OrthogonalSlopeTest,
                         ::testing::Values(AxisCase{1, 1, 0.5}, AxisCase{1, 1, -0.5},
                                           AxisCase{2, 1, 0.3}, AxisCase{1, 3, 0.8},
                                           AxisCase{3, 1, -0.9}, AxisCase{0.001, 5, 0.2},
                                           AxisCase{5, 0.001, -0.2}, AxisCase{2, 4, 1}));

TEST(Correlation, OrthogonalSlopeOfUncorrelatedCloudsIsAlongTheWiderSpread) {
  EXPECT_DOUBLE_EQ(OrthogonalSlope(1, 1, 0.5), 1.0);  // not 0
  EXPECT_EQ(OrthogonalSlope(2, 1, 0), 0.0);           // wider in t: horizontal
  EXPECT_EQ(OrthogonalSlope(1, 2, 0), 1e14);          // wider in x: vertical
  EXPECT_EQ(PerpendicularSlope(0), 1e14);
  EXPECT_DOUBLE_EQ(PerpendicularSlope(2), -0.5);
}

// A window 0..10 with xMid = 0 and 14 pixels per unit: rows 10 and 290 lie
// at x = -+10. The line x = 5 (t - 5) leaves the frame at t = 3 and t = 7,
// whichever way the signal runs.  #12: with xScale < 0 the ends were not cut.
class LineEndsTest : public ::testing::TestWithParam<double> {};

TEST_P(LineEndsTest, SteepLinesAreCutAtTheFrame) {
  ViewState v;
  v.tMin = 0;
  v.tMax = 10;
  v.xMid = 0;
  v.xScale = GetParam();
  LineEnds l = RegressionLineEnds(v, 5, 0, 5);
  EXPECT_NEAR(l.ta, 3, 1e-12);
  EXPECT_NEAR(l.xa, -10, 1e-12);
  EXPECT_NEAR(l.tb, 7, 1e-12);
  EXPECT_NEAR(l.xb, 10, 1e-12);
  // A gentle line keeps the window's ends.
  LineEnds g = RegressionLineEnds(v, 5, 1, 0.5);
  EXPECT_EQ(g.ta, 0);
  EXPECT_DOUBLE_EQ(g.xa, -1.5);
  EXPECT_EQ(g.tb, 10);
  EXPECT_DOUBLE_EQ(g.xb, 3.5);
}

INSTANTIATE_TEST_SUITE_P(Correlation, LineEndsTest, ::testing::Values(14.0, -14.0));

// Every point of an error ellipse satisfies its equation; the curve starts
// at (tMean + c sigmaT, xMean).
TEST(Correlation, ErrorEllipsePointsLieOnTheEllipse) {
  CorrelationState c = All(Points({0, 1, 2, 3, 4}, {1, 3, 2, 5, 4}));
  ASSERT_GT(c.r, 0);
  for (double c2 : {4 * (1 - c.r * c.r), 1 - c.r * c.r}) {
    auto pts = ErrorEllipse(c, c2);
    ASSERT_EQ(pts.size(), 500u);
    for (auto [t, x] : pts) {
      const double zt = (t - c.tMean) / c.sigmaT, zx = (x - c.xMean) / c.sigmaX;
      EXPECT_NEAR(zt * zt - 2 * c.r * zt * zx + zx * zx, c2, 1e-12);
    }
    EXPECT_NEAR(pts.front().first, c.tMean + std::sqrt(c2) * c.sigmaT, 1e-12);
    EXPECT_NEAR(pts.front().second, c.xMean, 1e-12);
  }
}

}  // namespace
}  // namespace teril

// The approximation engine on curves whose answer is known exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "extrema/approximate_internal.h"
#include "extrema/models.h"
#include "extrema/polynomial_order.h"
#include "extrema_fixture.h"

namespace teril::testing {
namespace {

using ApproximateTest = ExtremaTest;

// x = 5 + 0.01 (t - 7.3)^2 on t = 0..20: the vertex at 7.3, value 5.
TEST_F(ApproximateTest, PointsOnAParabolaGiveTheVertexWithZeroErrors) {
  LoadFunction(21, [](double t) { return 5.0 + 0.01 * (t - 7.3) * (t - 7.3); });
  EXPECT_EQ(Run(1), 1);
  EXPECT_TRUE(A().completed);
  EXPECT_NEAR(A().Sigma2, 0.0, 1e-26);
  EXPECT_NEAR(A().ExtremumTime, 7.3, 1e-9);
  EXPECT_NEAR(A().ExtremumTimeSigma, 0.0, 1e-9);
  EXPECT_NEAR(A().ExtremumMag, 5.0, 1e-12);
  EXPECT_GT(S().CurvatureSign, 0.0);
  // The smallest magnitude is the brightest moment: a maximum of brightness.
  EXPECT_FALSE(A().isMinimum);
}

TEST_F(ApproximateTest, MaximumOfTheSignalIsFoundAndLabelledMax) {
  LoadFunction(21, [](double t) { return 5.0 - 0.01 * (t - 12.0) * (t - 12.0); });
  Run(1);
  EXPECT_LT(S().CurvatureSign, 0.0);
  EXPECT_NEAR(A().ExtremumTime, 12.0, 1e-9);
  EXPECT_NEAR(A().ExtremumMag, 5.0, 1e-12);
  EXPECT_TRUE(A().isMinimum);  // the largest magnitude: a minimum of brightness
}

TEST_F(ApproximateTest, IntervalOfExactlyNPointsHasTheVarianceSentinel) {
  LoadFunction(3, [](double t) { return t * t; });
  Run(1);
  EXPECT_TRUE(A().completed);
  EXPECT_EQ(A().Sigma2, 1e32);
}

TEST_F(ApproximateTest, TooFewPointsReturnEarly) {
  LoadFunction(2, [](double t) { return t; });
  int method = 1;
  engine->lsq.m = 3;
  Approximate(*engine, method);
  EXPECT_FALSE(A().completed);
  EXPECT_EQ(A().ExtremumTimeSigma, 1e32);
  EXPECT_TRUE(host.Logged("Number of points too small."));
  EXPECT_TRUE(host.Logged("Number of coef = 3"));
}

TEST_F(ApproximateTest, PolynomialCommandWithTwoPointsReportsTheCount) {
  LoadFunction(2, [](double t) { return t; });
  EXPECT_EQ(ChoosePolynomialOrder(*engine, 1), 0);
  EXPECT_TRUE(host.Logged("Number of points too small2"));
}

TEST_F(ApproximateTest, PolynomialOrderWithTheSmallestErrorIsChosen) {
  // A quartic: the parabola is biased, orders 5 and above are exact.
  LoadFunction(15, [](double t) {
    const double u = t / 7.0 - 1.0;
    return 1.0 + (u - 0.1) * (u - 0.1) + 0.5 * std::pow(u - 0.1, 4) + 0.02 * std::sin(9 * t);
  });
  const int best = ChoosePolynomialOrder(*engine, 1);
  EXPECT_GE(best, 3);
  EXPECT_LE(best, 9);
  // The chosen order has the smallest sigma of T of all trial orders.
  engine->lsq.m = best;
  int method = 1;
  Approximate(*engine, method);
  const double bestSigma = A().ExtremumTimeSigma;
  for (int m = 3; m <= 9; ++m) {
    engine->lsq.m = m;
    method = 1;
    Approximate(*engine, method);
    EXPECT_GE(A().ExtremumTimeSigma, bestSigma) << m;
  }
}

// (u^2 - 1/4)^2 has minima at u = -0.5 and 0.5: sigma T is the whole width.
TEST_F(ApproximateTest, QuarticWithTwoMinimaGivesTheIntervalWidth) {
  LoadFunction(
      41,
      [](double t) {
        const double u = (t - 100.0) / 10.0 - 1.0;
        return (u * u - 0.25) * (u * u - 0.25) + 0.001 * std::cos(13 * t);
      },
      100.0, 0.5);
  int prelim = 1;
  engine->lsq.m = 3;
  Approximate(*engine, prelim);
  ASSERT_GT(S().CurvatureSign, 0);
  int method = 1;
  engine->lsq.m = 5;
  Approximate(*engine, method);
  EXPECT_TRUE(A().fitFailed);
  EXPECT_DOUBLE_EQ(A().ExtremumTimeSigma, 20.0);  // t from 100 to 120
  EXPECT_TRUE(std::isfinite(A().ExtremumTime));
  EXPECT_GE(A().ExtremumTime, 100.0);
  EXPECT_LE(A().ExtremumTime, 120.0);
}

// Walls rising steeply on both sides of a central cap that curves downward:
// the preliminary parabola opens upward, the WSP central part downward.
TEST_F(ApproximateTest, WspCurvedTheWrongWayFallsBackToWsl) {
  LoadFunction(61, [](double t) {
    const double u = t / 30.0 - 1.0;
    const double a = std::fabs(u) - 0.4;
    if (a <= 0) return 10.0 + 0.3 * (1.0 - (u / 0.4) * (u / 0.4));
    return 10.0 + 4.0 * a * std::sqrt(a);
  });
  EXPECT_EQ(Run(5), 6);
  EXPECT_EQ(A().method, 6);
  EXPECT_TRUE(host.Logged(
      "The central part is curved in the wrong direction. WSL instead of choosen method"));
  EXPECT_TRUE(A().completed);
  EXPECT_TRUE(A().hasDuration);
  EXPECT_NEAR(A().ExtremumTime, 30.0, 0.5);
}

// On a pure parabola AP's best grid joins leave fewer than three points
// outside: the parabola is used instead, with no correction.
TEST_F(ApproximateTest, ApOnAParabolaBecomesTheParabola) {
  LoadFunction(21, [](double t) { return 2.0 + 0.02 * (t - 9.0) * (t - 9.0); });
  EXPECT_EQ(Run(9), 1);
  EXPECT_TRUE(host.Logged("Noncentral intervals are too small. There is parabola instead."));
  EXPECT_EQ(A().corrections, 0);
  EXPECT_NEAR(A().ExtremumTime, 9.0, 1e-9);
  EXPECT_NEAR(A().ExtremumMag, 2.0, 1e-12);
}

// AP with both joins at the interval ends is an ordinary parabola: no
// correction, the vertex, its value and its error as for the parabola.
TEST_F(ApproximateTest, ApWithJoinsAtTheEndsIsTheParabolaWithoutCorrection) {
  LoadFunction(
      21, [](double t) { return 2.0 + 0.02 * (t - 9.0) * (t - 9.0) + 0.01 * std::sin(5 * t); });
  Run(1);
  const double parabolaT = A().ExtremumTime, parabolaSigmaT = A().ExtremumTimeSigma;
  const double parabolaM = A().ExtremumMag, parabolaSigmaM = A().ExtremumMagSigma;
  engine->lsq.c5 = -1.0;
  engine->lsq.c6 = 1.0;
  int method = 9;
  ApproximationRun run(*engine, method);
  run.RunCycleFromCurrent();
  EXPECT_EQ(method, 9);
  EXPECT_EQ(A().corrections, 0);
  EXPECT_TRUE(A().completed);
  EXPECT_NEAR(A().ExtremumTime, parabolaT, 1e-9);
  EXPECT_NEAR(A().ExtremumMag, parabolaM, 1e-12);
  // The errors: same covariance, but sigma^2 counts the two held joins.
  const double scale = std::sqrt((21.0 - 3.0) / (21.0 - 5.0));
  EXPECT_NEAR(A().ExtremumTimeSigma, parabolaSigmaT * scale, 1e-9);
  EXPECT_NEAR(A().ExtremumMagSigma, parabolaSigmaM * scale, 1e-12);
}

// The points are an exact parabolic spline whose central parabola has its
// vertex at u = 0.5, right of the central interval [-0.6, 0.2].
class SplineOutside : public ApproximateTest {
 protected:
  void SetUp() override {
    ApproximateTest::SetUp();
    LoadFunction(41, [](double t) {
      const double u = 2.0 * t / 40.0 - 1.0;
      double x = (u - 0.5) * (u - 0.5);
      if (u < -0.6) x += 2.0 * (u + 0.6) * (u + 0.6);
      if (u > 0.2) x += 3.0 * (u - 0.2) * (u - 0.2);
      return x;
    });
  }
};

TEST_F(SplineOutside, GivesTheSentinelFourTimes) {
  EXPECT_EQ(Run(8), 8);
  EXPECT_EQ(A().ExtremumTime, 9999);
  EXPECT_EQ(A().ExtremumTimeSigma, 9999);
  EXPECT_EQ(A().ExtremumMag, 9999);
  EXPECT_EQ(A().ExtremumMagSigma, 9999);
  EXPECT_TRUE(A().outOfInterval);
  EXPECT_TRUE(
      host.Logged("Parabolic spline approximationmoment of extremum is out of the "
                  "central interval. Try another function."));
}

TEST_F(SplineOutside, QuietModeLogsNothing) {
  engine->approx.QuietOutOfInterval = true;
  Run(8);
  EXPECT_EQ(A().ExtremumTimeSigma, 9999);
  EXPECT_FALSE(host.LoggedPart("out of the central interval"));
}

TEST_F(ApproximateTest, BskAndSechLogTheirFinalParameters) {
  LoadFunction(41, [](double t) {
    const double u = t / 20.0 - 1.0;
    return 10.0 + 1.0 / std::cosh(3.0 * (u - 0.1));
  });
  Run(11);
  EXPECT_TRUE(host.LoggedPart(" after iter c5="));
  EXPECT_NEAR(A().ExtremumTime, 22.0, 0.05);
  EXPECT_TRUE(A().isMinimum);  // the largest magnitude
}

// The fit itself writes nothing; the printing form of the call writes the
// curve (header and 501 rows) once the fit is done.
TEST_F(ApproximateTest, OutputIsWrittenOnlyWhenPrinting) {
  LoadFunction(21, [](double t) { return (t - 10) * (t - 10); });
  engine->run.inputFile = "curve.dat";
  int method = 1;
  engine->lsq.m = 3;
  const ApproximationResult r = Approximate(*engine, method);
  EXPECT_TRUE(r.completed);
  EXPECT_FALSE(std::filesystem::exists(dir / "curve_apr.dat"));
  Approximate(*engine, method, 1);
  EXPECT_EQ(ReadLines("curve_apr.dat").size(), 502u);
}

// Every method on a clean symmetric dip (a Gaussian in magnitude, its
// largest value at t = 41.5): finite results near the true moment.
class EveryMethod : public ApproximateTest, public ::testing::WithParamInterface<int> {};

TEST_P(EveryMethod, RecoversACleanDip) {
  LoadFunction(
      81,
      [](double t) {
        const double z = (t - 41.5) / 14.0;
        return 10.0 + std::exp(-0.5 * z * z);
      },
      0.0, 1.0);
  Run(GetParam());
  EXPECT_TRUE(A().completed);
  // BSK moves its centre by a hundredth of the correction per step, so
  // after 100 steps a third of the grid's offset (up to 4 here) remains.
  EXPECT_NEAR(A().ExtremumTime, 41.5, GetParam() == 10 ? 2.0 : 1.0) << LongName(A().method);
  EXPECT_TRUE(std::isfinite(A().ExtremumTimeSigma));
  EXPECT_LT(A().ExtremumTimeSigma, 40.0);
  EXPECT_TRUE(A().isMinimum);
}

INSTANTIATE_TEST_SUITE_P(Methods, EveryMethod, ::testing::Range(1, 12));

}  // namespace
}  // namespace teril::testing

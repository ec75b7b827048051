// The running parabola at every point: exact cases worked by hand, a
// comparison with a plain weighted least-squares solve, and the key and
// action that run it.
#include "smoothing/running_parabola.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "smoothing/smoothing_fixture.h"

namespace teril {
namespace {

using testing::SmoothingTest;

// The weighted parabola through the points within dt of t[k], solved by
// Gaussian elimination with partial pivoting on the 3 x 3 normal matrix in
// the offsets v = t - t[k]; the centre value, or x[k] when the matrix is
// singular or its determinant is below 0.001 of the product of its
// diagonal.
double DirectCentreValue(const std::vector<double>& t, const std::vector<double>& x, int k,
                         double dt) {
  std::array<std::array<double, 4>, 3> m{};
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double v = t[i] - t[k];
    const double u = v / dt;
    if (!(u > -1 && u < 1)) continue;
    const double w = (1 - u * u) * (1 - u * u);
    const double f[3] = {1, v, v * v};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) m[r][c] += w * f[r] * f[c];
      m[r][3] += w * f[r] * x[i];
    }
  }
  const double diagonal = m[0][0] * m[1][1] * m[2][2];
  double det = 1;
  for (int col = 0; col < 3; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 3; ++r)
      if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
    if (pivot != col) {
      std::swap(m[pivot], m[col]);
      det = -det;
    }
    det *= m[col][col];
    if (m[col][col] == 0) return x[k];
    for (int r = col + 1; r < 3; ++r) {
      const double f = m[r][col] / m[col][col];
      for (int c = col; c < 4; ++c) m[r][c] -= f * m[col][c];
    }
  }
  if (!(diagonal > 0) || det / diagonal < 0.001) return x[k];
  double a[3];
  for (int r = 2; r >= 0; --r) {
    double s = m[r][3];
    for (int c = r + 1; c < 3; ++c) s -= m[r][c] * a[c];
    a[r] = s / m[r][r];
  }
  return a[0];
}

class RunningParabolaPointsTest : public SmoothingTest {
 protected:
  std::vector<double> Residuals() const {
    const DataSet& d = engine->data;
    return std::vector<double>(d.s.begin() + 1, d.s.begin() + 1 + d.n);
  }
};

TEST_F(RunningParabolaPointsTest, PointsOnAStraightLineAreSmoothedExactly) {
  std::vector<double> t, x;
  for (int i = 0; i < 40; ++i) {
    t.push_back(2450000 + 0.37 * i + 0.1 * std::sin(i));  // uneven, ascending
    x.push_back(12 - 0.25 * (t.back() - 2450000));
  }
  Load(t, x);
  engine->run.rpDeltaT = 1.5;
  ASSERT_TRUE(RunningParabolaPoints(*engine));
  for (double r : Residuals()) EXPECT_NEAR(r, 0, 1e-10);
}

TEST_F(RunningParabolaPointsTest, APointAloneInItsWindowKeepsItsValue) {
  // dt = 5 around points 10 apart: every window holds only its own point,
  // so S2 = S3 = S4 = 0, det = 0 and rho = 0.
  Load({0, 10, 20}, {1, 7, 3});
  engine->run.rpDeltaT = 5;
  ParabolaSums alone;
  alone.Add(1, 0, 7);
  const CentreFit fit = SolveCentre(alone);
  EXPECT_EQ(fit.det, 0);
  EXPECT_EQ(fit.rho, 0);
  EXPECT_FALSE(fit.solved);
  ASSERT_TRUE(RunningParabolaPoints(*engine));
  EXPECT_EQ(Residuals(), (std::vector<double>{0, 0, 0}));
}

TEST_F(RunningParabolaPointsTest, FivePointPeakAgreesWithTheHandSolution) {
  // x = 1 at t = 0 and 0 at t = -2, -1, 1, 2; dt = 4. The weights are 1,
  // (1 - 1/16)^2 at |v| = 1 and (1 - 1/4)^2 at |v| = 2. By symmetry a1 = 0,
  // and [S0 S2; S2 S4] (a0, a2) = (1, 0) gives a0 = S4/(S0 S4 - S2^2).
  Load({-2, -1, 0, 1, 2}, {0, 0, 1, 0, 0});
  engine->run.rpDeltaT = 4;
  const double w1 = 0.9375 * 0.9375, w2 = 0.75 * 0.75;
  const double S0 = 1 + 2 * w1 + 2 * w2, S2 = 2 * (w1 + 4 * w2), S4 = 2 * (w1 + 16 * w2);
  const double a0 = S4 / (S0 * S4 - S2 * S2);
  ASSERT_TRUE(RunningParabolaPoints(*engine));
  EXPECT_NEAR(engine->data.s[3], 1 - a0, 1e-13);
}

TEST_F(RunningParabolaPointsTest, ForwardScanAgreesWithAPlainSolveOnUnevenData) {
  std::vector<double> t, x;
  testing::UnevenSeries(600, 7, t, x);
  Load(t, x);
  for (double dt : {0.8, 3.0, 25.0}) {
    engine->run.rpDeltaT = dt;
    ASSERT_TRUE(RunningParabolaPoints(*engine));
    for (int k = 0; k < 600; ++k)
      ASSERT_NEAR(engine->data.s[k + 1], x[k] - DirectCentreValue(t, x, k, dt), 1e-9)
          << "dt=" << dt << " k=" << k;
  }
}

TEST_F(RunningParabolaPointsTest, LogsTheBannerAndACountdownEveryHundredPoints) {
  std::vector<double> t, x;
  testing::UnevenSeries(250, 3, t, x);
  Load(t, x);
  ASSERT_TRUE(RunningParabolaPoints(*engine));
  // n - k is a multiple of 100 at k = 50, 150 and 250.
  EXPECT_EQ(host.log, (std::vector<std::string>{"Color overflow", "0", "180", "RP computation",
                                                "200", "100", "0"}));
  EXPECT_EQ(engine->view.penIndex, 14);
}

TEST_F(RunningParabolaPointsTest, StoppedFromTheProgressDisplayLeavesSAsItWas) {
  std::vector<double> t, x;
  testing::UnevenSeries(40000, 8, t, x);
  Load(t, x);
  engine->run.rpDeltaT = 5;
  host.stopAtProgress = 1;  // go on at the first report, stop at the second
  EXPECT_FALSE(RunningParabolaPoints(*engine));
  ASSERT_EQ(host.progress.size(), 2u);
  EXPECT_EQ(host.progress[0].done, 16384);
  EXPECT_EQ(host.progress[0].total, 40000);
  for (double r : Residuals()) ASSERT_EQ(r, 1);
  EXPECT_TRUE(host.Logged("Running parabola stopped: s is unchanged"));
  EXPECT_EQ(host.progressEnds, 1);
}

TEST_F(RunningParabolaPointsTest, UnsortedDataOrANonPositiveHalfWidthChangeNothing) {
  Load({0, 2, 1, 3}, {1, 2, 3, 4});
  ASSERT_FALSE(RunningParabolaPoints(*engine));
  EXPECT_TRUE(host.LoggedPart("not sorted by t (point 3)"));
  Load({0, 1, 2, 3}, {1, 2, 3, 4});
  for (double dt : {0.0, -2.0}) {
    engine->run.rpDeltaT = dt;
    EXPECT_FALSE(RunningParabolaPoints(*engine));
  }
  EXPECT_EQ(Residuals(), (std::vector<double>{1, 1, 1, 1}));
  EXPECT_FALSE(host.Logged("RP computation"));
}

TEST_F(RunningParabolaPointsTest, KeySetsThePromptAndTheFitMarks) {
  Load({0, 1, 2, 3, 4}, {1, 2, 3, 4, 5});
  engine->run.rpDeltaT = 2.5;
  EXPECT_EQ(RunningParabolaKey(*engine), Continuation::Rescale);
  EXPECT_EQ(engine->console.pendingPrompt, "Dt=2.5");
  EXPECT_TRUE(engine->view.showFitMarks);
  // Refused on unsorted data: no fit marks, nothing to rescale.
  engine->view.showFitMarks = false;
  Load({0, 2, 1}, {1, 2, 3});
  EXPECT_EQ(RunningParabolaKey(*engine), Continuation::Read);
  EXPECT_FALSE(engine->view.showFitMarks);
}

// The action asks dt in its input box while the engine waits for a key.
class RunningParabolaActionTest : public SmoothingTest {
 protected:
  void WaitForKey() {
    engine->console.waitingForInput = 1;
    engine->console.inputMode = kModeKey;
  }
};

TEST_F(RunningParabolaActionTest, ANumberBecomesDeltaTAndTheKeyIsSent) {
  WaitForKey();
  host.inputBoxAnswers = {"0.75"};
  RunningParabolaAction(*engine);
  EXPECT_EQ(engine->run.rpDeltaT, 0.75);
  EXPECT_EQ(engine->console.answer, "~^");
  EXPECT_EQ(engine->console.waitingForInput, 0);
}

TEST_F(RunningParabolaActionTest, TextKeepsDeltaTAndNonPositiveValuesAreRefused) {
  WaitForKey();
  host.inputBoxAnswers = {"abc"};
  RunningParabolaAction(*engine);
  EXPECT_EQ(engine->run.rpDeltaT, 50);
  EXPECT_EQ(engine->console.answer, "~^");
  for (const char* bad : {"0", "-3"}) {
    WaitForKey();
    engine->console.answer.clear();
    host.inputBoxAnswers = {bad};
    RunningParabolaAction(*engine);
    EXPECT_EQ(engine->run.rpDeltaT, 50) << bad;
    EXPECT_EQ(engine->console.waitingForInput, 1) << bad;  // no key sent
  }
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0], "Delta_t must be positive; it stays 50");
}

}  // namespace
}  // namespace teril

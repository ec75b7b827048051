// The running parabola at every point: exact cases worked by hand, a plain
// weighted least-squares solve on uneven data, the key and the action.
#include "smoothing/running_parabola.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "engine/engine.h"
#include "smoothing/smoothing_fixture.h"

namespace teril {
namespace {

// The centre value of the weighted parabola through the points within dt
// of t[k] by Gaussian elimination on the 3 x 3 normal matrix (offsets
// v = t - t[k]); x[k] when its determinant (the product of the pivots) is
// below 0.001 of the product of its diagonal.
double DirectCentreValue(const std::vector<double>& t, const std::vector<double>& x, int k,
                         double dt) {
  std::array<std::array<double, 4>, 3> m{};
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double v = t[i] - t[k], u = v / dt;
    if (!(u > -1 && u < 1)) continue;
    const double w = (1 - u * u) * (1 - u * u), f[3] = {1, v, v * v};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) m[r][c] += w * f[r] * f[c];
      m[r][3] += w * f[r] * x[i];
    }
  }
  const double diagonal = m[0][0] * m[1][1] * m[2][2];
  double det = 1;
  for (int c = 0; c < 3; ++c) {
    det *= m[c][c];
    if (m[c][c] == 0) return x[k];
    for (int r = c + 1; r < 3; ++r)
      for (int q = 3; q >= c; --q) m[r][q] -= m[r][c] / m[c][c] * m[c][q];
  }
  if (det / diagonal < 0.001) return x[k];
  const double a2 = m[2][3] / m[2][2], a1 = (m[1][3] - m[1][2] * a2) / m[1][1];
  return (m[0][3] - m[0][1] * a1 - m[0][2] * a2) / m[0][0];
}

class RunningParabolaPointsTest : public testing::SmoothingTest {
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
  engine->runningParabola.rpDeltaT = 1.5;
  ASSERT_TRUE(RunningParabolaPoints(*engine));
  for (double r : Residuals()) EXPECT_NEAR(r, 0, 1e-10);
}

TEST_F(RunningParabolaPointsTest, APointAloneInItsWindowKeepsItsValue) {
  // dt = 5 around points 10 apart: S2 = S3 = S4 = 0, det = 0, rho = 0.
  Load({0, 10, 20}, {1, 7, 3});
  engine->runningParabola.rpDeltaT = 5;
  ParabolaSums alone;
  alone.Add(1, 0, 7);
  EXPECT_EQ(SolveCentre(alone).rho, 0);
  ASSERT_TRUE(RunningParabolaPoints(*engine));
  EXPECT_EQ(Residuals(), (std::vector<double>{0, 0, 0}));
}

TEST_F(RunningParabolaPointsTest, FivePointPeakAgreesWithTheHandSolution) {
  // x = 1 at t = 0, else 0, at t = -2..2; dt = 4: weights 1, (15/16)^2 at
  // |v| = 1, (3/4)^2 at |v| = 2. By symmetry a1 = 0, and [S0 S2; S2 S4]
  // (a0, a2) = (1, 0) gives a0 = S4/(S0 S4 - S2^2).
  Load({-2, -1, 0, 1, 2}, {0, 0, 1, 0, 0});
  engine->runningParabola.rpDeltaT = 4;
  const double w1 = 0.9375 * 0.9375, w2 = 0.75 * 0.75;
  const double S0 = 1 + 2 * w1 + 2 * w2, S2 = 2 * (w1 + 4 * w2), S4 = 2 * (w1 + 16 * w2);
  ASSERT_TRUE(RunningParabolaPoints(*engine));
  EXPECT_NEAR(engine->data.s[3], 1 - S4 / (S0 * S4 - S2 * S2), 1e-13);
}

TEST_F(RunningParabolaPointsTest, ForwardScanAgreesWithAPlainSolveOnUnevenData) {
  std::vector<double> t, x;
  testing::UnevenSeries(600, 7, t, x);
  Load(t, x);
  for (double dt : {0.8, 3.0, 25.0}) {
    engine->runningParabola.rpDeltaT = dt;
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
}

TEST_F(RunningParabolaPointsTest, StoppedFromTheProgressDisplayLeavesSAsItWas) {
  std::vector<double> t, x;
  testing::UnevenSeries(40000, 8, t, x);
  Load(t, x);
  engine->runningParabola.rpDeltaT = 5;
  host.stopAtProgress = 1;  // go on at the first report (k = 16384), stop at the second
  EXPECT_FALSE(RunningParabolaPoints(*engine));
  EXPECT_EQ(host.progress.size(), 2u);
  for (double r : Residuals()) ASSERT_EQ(r, 1);
}

TEST_F(RunningParabolaPointsTest, KeyRefusesUnsortedDataAndNonPositiveHalfWidths) {
  Load({0, 1, 2, 3, 4}, {1, 2, 3, 4, 5});
  engine->runningParabola.rpDeltaT = 2.5;
  EXPECT_EQ(RunningParabolaKey(*engine), Continuation::Rescale);
  EXPECT_EQ(engine->console.pendingPrompt, "Dt=2.5");
  EXPECT_TRUE(engine->view.showFitMarks);
  engine->view.showFitMarks = false;
  Load({0, 2, 1}, {1, 2, 3});
  EXPECT_EQ(RunningParabolaKey(*engine), Continuation::Read);
  EXPECT_TRUE(host.LoggedPart("not sorted by t (point 3)"));
  Load({0, 1, 2}, {1, 2, 3});
  engine->runningParabola.rpDeltaT = 0;
  EXPECT_EQ(RunningParabolaKey(*engine), Continuation::Read);
  EXPECT_FALSE(engine->view.showFitMarks);
  EXPECT_EQ(Residuals(), (std::vector<double>{1, 1, 1}));
}

TEST_F(RunningParabolaPointsTest, ActionTakesANumberKeepsTextAndRefusesNonPositive) {
  auto ask = [&](const char* answer) {
    engine->console.waitingForInput = 1;
    engine->console.inputMode = kModeKey;
    engine->console.atCommandKey = true;
    engine->console.answer.clear();
    host.inputBoxAnswers = {answer};
    RunningParabolaAction(*engine);
  };
  ask("0.75");
  EXPECT_EQ(engine->runningParabola.rpDeltaT, 0.75);
  EXPECT_EQ(engine->console.answer, "~^");
  ask("abc");
  EXPECT_EQ(engine->runningParabola.rpDeltaT, 0.75);
  EXPECT_EQ(engine->console.answer, "~^");
  ask("-3");
  EXPECT_EQ(engine->runningParabola.rpDeltaT, 0.75);
  EXPECT_EQ(engine->console.waitingForInput, 1);  // no key sent
  EXPECT_EQ(host.messages, (std::vector<std::string>{"Delta_t must be positive; it stays 0.75"}));
}

}  // namespace
}  // namespace teril

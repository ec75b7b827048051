// The interval mapping and the linear fit with a given basis.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "data/data_set.h"
#include "extrema/model_kernels.h"
#include "lsq/fit.h"

namespace teril {
namespace {

class FitTest : public ::testing::Test {
 protected:
  std::unique_ptr<LsqState> s = std::make_unique<LsqState>();
  std::unique_ptr<DataSet> data = std::make_unique<DataSet>();

  // u_k = -1 + 2(k-1)/(N-1), y = fn(u).
  template <class Fn>
  void Points(int N, Fn fn) {
    s->N = N;
    for (int k = 1; k <= N; ++k) {
      s->u[k] = -1.0 + 2.0 * (k - 1) / (N - 1);
      s->y[k] = fn(s->u[k]);
    }
  }
};

TEST_F(FitTest, FirstPointIsMinusOneAndLastPlusOneWhateverTheSpacing) {
  const double t[] = {10.0, 10.1, 10.5, 13.0, 14.0};
  data->n = 7;
  for (int i = 0; i < 5; ++i) {
    data->t[i + 2] = t[i];
    data->x[i + 2] = 100.0 + i;
  }
  NormaliseInterval(*s, *data, 2, 6);
  ASSERT_EQ(s->N, 5);
  EXPECT_EQ(s->u[1], -1.0);
  EXPECT_EQ(s->u[5], 1.0);
  EXPECT_DOUBLE_EQ(s->u[3], 2.0 * 0.5 / 4.0 - 1.0);
  EXPECT_EQ(s->y[1], 100.0);
  EXPECT_EQ(s->y[5], 104.0);
  EXPECT_EQ(s->tL, 10.0);
  EXPECT_EQ(s->tR, 14.0);
}

TEST_F(FitTest, WindowLeavesOutPointsOutsideTheTimeRange) {
  const double t[] = {1, 2, 3, 4, 5, 6};
  data->n = 6;
  for (int i = 0; i < 6; ++i) {
    data->t[i + 1] = t[i];
    data->x[i + 1] = i;
  }
  EXPECT_EQ(NormaliseInterval(*s, *data, 1, 6, 2.0, 5.0), 4);
  EXPECT_EQ(s->L, 2);
  EXPECT_EQ(s->R, 5);
  EXPECT_EQ(s->u[1], -1.0);
  EXPECT_EQ(s->u[4], 1.0);
  EXPECT_EQ(NormaliseInterval(*s, *data, 1, 6, 7.0, 8.0), 0);
}

// The basis 1, u, u^2 (through the two-frequency hook) on points of a
// parabola: an exact fit.
TEST_F(FitTest, PointsOnAParabolaGiveZeroResiduals) {
  Points(9, [](double u) { return 3.0 - 2.0 * u + 5.0 * u * u; });
  s->blazhkoMode = true;
  s->blazhkoBasis = [](double u, double* f) {
    f[1] = 1.0;
    f[2] = u;
    f[3] = u * u;
  };
  s->m = 3;
  s->n = 3;
  FitWithBasis(*s);
  EXPECT_NEAR(s->Coef[1], 3.0, 1e-12);
  EXPECT_NEAR(s->Coef[2], -2.0, 1e-12);
  EXPECT_NEAR(s->Coef[3], 5.0, 1e-12);
  EXPECT_NEAR(s->ResidualSum, 0.0, 1e-24);
  EXPECT_NEAR(UnitVariance(s->ResidualSum, 9, 3), 0.0, 1e-24);
}

TEST(UnitVariance, NoMorePointsThanParametersGivesTheSentinel) {
  EXPECT_EQ(UnitVariance(4.0, 3, 3), 1e32);
  EXPECT_EQ(UnitVariance(4.0, 2, 3), 1e32);
  EXPECT_EQ(UnitVariance(4.0, 5, 3), 2.0);
}

// WSP at fixed walls against an independent solve of the normal equations
// (Cramer's rule on the 3 x 3 system).
TEST_F(FitTest, WspFitMatchesAnIndependentSolve) {
  Points(21, [](double u) { return 10.0 + 0.3 * u + std::sin(3 * u); });
  s->ModelCode = 1;
  s->MethodNumber = 5;
  s->c5 = -0.3;
  s->c6 = 0.4;
  FitWithBasis(*s);
  double a[3][3] = {}, b[3] = {};
  for (int k = 1; k <= 21; ++k) {
    double f[4];
    kernels::BasisWsp(s->u[k], -0.3, 0.4, f);
    for (int i = 0; i < 3; ++i) {
      b[i] += f[i + 1] * s->y[k];
      for (int j = 0; j < 3; ++j) a[i][j] += f[i + 1] * f[j + 1];
    }
  }
  auto det = [](double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  const double d = det(a);
  double rs = 0.0;
  double c[3];
  for (int col = 0; col < 3; ++col) {
    double m[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) m[i][j] = j == col ? b[i] : a[i][j];
    c[col] = det(m) / d;
    EXPECT_NEAR(s->Coef[col + 1], c[col], 1e-9);
  }
  for (int k = 1; k <= 21; ++k) {
    double f[4];
    kernels::BasisWsp(s->u[k], -0.3, 0.4, f);
    const double r = s->y[k] - c[0] - c[1] * f[2] - c[2] * f[3];
    rs += r * r;
    EXPECT_NEAR(s->r[k], r, 1e-9);
  }
  EXPECT_NEAR(s->ResidualSum, rs, 1e-9);
  EXPECT_EQ(s->Coef[6], 0.0);
}

// WSL with fewer than three points outside the walls fits the constant
// only: C1 is the mean, C2 = C3 = 0.
TEST_F(FitTest, WslWithFewWallPointsFitsTheConstant) {
  Points(11, [](double u) { return 5.0 + u; });
  s->ModelCode = 2;
  s->MethodNumber = 6;
  s->c5 = -0.85;  // one point left of c5
  s->c6 = 0.85;   // one point right of c6
  FitWithBasis(*s);
  EXPECT_EQ(s->wallPoints, 2);
  EXPECT_NEAR(s->Coef[1], 5.0, 1e-14);
  EXPECT_EQ(s->Coef[2], 0.0);
  EXPECT_EQ(s->Coef[3], 0.0);
  EXPECT_NEAR(s->ResidualSum, 11 * 0.4, 1e-12);  // sum of u^2 over the 11 points
}

TEST_F(FitTest, SplineWithFewCentralPointsIsRejected) {
  Points(21, [](double u) { return u * u; });
  s->ModelCode = 6;
  s->MethodNumber = 8;
  s->CurvatureSign = 1.0;
  s->Coef[1] = 42.0;
  s->c5 = -0.15;  // points -0.1, 0, 0.1 inside: 3 < 6
  s->c6 = 0.15;
  FitWithBasis(*s);
  EXPECT_EQ(s->ResidualSum, 1e32);
  EXPECT_EQ(s->centralPoints, 3);
  EXPECT_EQ(s->Coef[1], 42.0);  // nothing was solved
  s->c5 = -0.5;
  s->c6 = 0.5;
  FitWithBasis(*s);
  EXPECT_NEAR(s->ResidualSum, 0.0, 1e-20);
  EXPECT_EQ(s->centralPoints, 11);
}

// NAV: C2 must have the sign of the curvature (a zero counts as positive).
TEST_F(FitTest, NavWithTheWrongSignIsRejected) {
  Points(21, [](double u) { return 1.0 + u * u; });  // C2 = 1 > 0 at c5 = 0, c6 = 2
  s->ModelCode = 3;
  s->MethodNumber = 3;
  s->c5 = 0.0;
  s->c6 = 2.0;
  s->CurvatureSign = 1.0;
  FitWithBasis(*s);
  EXPECT_NEAR(s->Coef[2], 1.0, 1e-9);
  EXPECT_LT(s->ResidualSum, 1e-18);
  s->CurvatureSign = -1.0;
  FitWithBasis(*s);
  EXPECT_EQ(s->ResidualSum, 1e32);
}

}  // namespace
}  // namespace teril

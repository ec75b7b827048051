// The basis functions of the models and their derivative columns.
#include "extrema/models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>

namespace teril {
namespace {

TEST(MethodTable, NamesOfEveryMethod) {
  EXPECT_EQ(LongName(5), "WSP approximation");
  EXPECT_EQ(ShortName(8), "Pspline");
  EXPECT_EQ(FileWord(4), "Mikulashek");
  EXPECT_EQ(std::string(MethodTable(10).menuCaption), "bsk");
  EXPECT_EQ(ModelCodeOf(9), 7);
  EXPECT_EQ(ModelCodeOf(6), 2);
  EXPECT_EQ(ModelCodeOf(1), 0);
  EXPECT_EQ(FileWord(0), "");
  const char* words[] = {"polynomial", "sym_polynomial", "NAV", "Mikulashek", "wsp", "wsl",
                         "wsap",       "spline",         "ap",  "bsk",        "sech"};
  for (int m = 1; m <= 11; ++m) EXPECT_EQ(FileWord(m), words[m - 1]);
}

TEST(PolyBasis, PowersOfU) {
  double f[20];
  PolyBasis(3, 0.5, f);
  EXPECT_EQ(f[1], 1.0);
  EXPECT_EQ(f[2], 0.5);
  EXPECT_EQ(f[3], 0.25);
  f[2] = 99;
  PolyBasis(1, 0.5, f);
  EXPECT_EQ(f[1], 1.0);
  EXPECT_EQ(f[2], 99);  // nothing beyond m
}

TEST(SymPolyBasis, EvenPowersAndCentreDerivative) {
  double f[20];
  double C[20] = {0, 1.0, 2.0, 3.0};
  SymPolyBasis(3, 0.25, 0.75, C, true, f);
  EXPECT_EQ(f[1], 1.0);
  EXPECT_EQ(f[2], 0.25);
  EXPECT_EQ(f[3], 0.0625);
  // d/du0 of 1 + 2 d^2 + 3 d^4 = -(4 d + 12 d^3) at d = 0.5
  EXPECT_DOUBLE_EQ(f[4], -(4 * 0.5 + 12 * 0.125));
}

class ModelTest : public ::testing::Test {
 protected:
  std::unique_ptr<LsqState> s = std::make_unique<LsqState>();
  void Model(int code, double c5, double c6, double x0 = 0) {
    s->ModelCode = code;
    s->c5 = c5;
    s->c6 = c6;
    s->x0 = x0;
    s->DerivativeMode = false;
  }
  const double* Eval(double u) {
    EvalBasis(*s, u);
    return s->BasisVector;
  }
};

TEST_F(ModelTest, WspAtZeroWallsIsTheParabolaWithWallsOnBothSides) {
  Model(1, 0.0, 0.0);
  for (double u : {-1.0, -0.3, 0.0, 0.6, 1.0}) {
    const double* f = Eval(u);
    EXPECT_EQ(f[1], 1.0);
    EXPECT_DOUBLE_EQ(f[2], u * u);
    EXPECT_DOUBLE_EQ(f[3], std::pow(std::fabs(u), 1.5));
  }
  EXPECT_EQ(s->m, 3);
  EXPECT_EQ(s->n, 5);
}

TEST_F(ModelTest, WslIsConstantBetweenTheWalls) {
  Model(2, -0.4, 0.3);
  for (double u : {-0.4, -0.1, 0.3}) {
    const double* f = Eval(u);
    EXPECT_EQ(f[2], 0.0);
    EXPECT_EQ(f[3], 0.0);
  }
  const double* f = Eval(-0.8);
  EXPECT_DOUBLE_EQ(f[2], std::pow(0.4, 1.5));
  EXPECT_DOUBLE_EQ(f[3], std::pow(0.4, 3.5));
}

TEST_F(ModelTest, ApWithJoinsAtTheEndsIsAnOrdinaryParabola) {
  Model(7, -1.0, 1.0);
  s->DerivativeMode = true;
  s->Coef[2] = 2.0;
  s->Coef[3] = 0.5;
  for (double u : {-1.0, -0.5, 0.2, 1.0}) {
    const double* f = Eval(u);
    EXPECT_DOUBLE_EQ(f[2], u * u);
    EXPECT_DOUBLE_EQ(f[3], u);
    EXPECT_EQ(f[4], 0.0);
    EXPECT_EQ(f[5], 0.0);
  }
}

TEST_F(ModelTest, WsapWithNegativeHalfWidthActsAsZero) {
  Model(5, 0.2, -0.2);  // h = -0.2
  const double* f = Eval(0.5);
  EXPECT_DOUBLE_EQ(f[2], 0.5);  // |d| with d = u - 0
}

TEST_F(ModelTest, BskIsZeroAtTheCentreAndBeyondTheLogarithm) {
  Model(8, 0.8, 1.5, 0.1);
  EXPECT_EQ(Eval(0.1)[2], 0.0);
  EXPECT_EQ(Eval(0.1 - 1.25)[2], 0.0);  // c5 (u - x0) = -1
  EXPECT_EQ(Eval(-1.3)[2], 0.0);        // c5 (u - x0) < -1
  const double L = std::log(1.0 + 0.8 * 0.6);
  EXPECT_NEAR(Eval(0.7)[2], 1.0 - std::exp(-1.5 * L * L), 1e-15);
  EXPECT_EQ(s->m, 2);
  EXPECT_EQ(s->n, 5);
}

TEST_F(ModelTest, SechIsZeroAtTheCentreAndTendsToOne) {
  Model(9, 2.0, 3.0, -0.2);
  EXPECT_EQ(Eval(-0.2)[2], 0.0);
  EXPECT_NEAR(Eval(40.0)[2], 1.0, 1e-15);
  EXPECT_NEAR(Eval(-40.0)[2], 1.0, 1e-15);
  // With c5 = c6 = c, f2 = 1 - sech(c d0) ~ c^2 d0^2 / 2 near the centre;
  // e^H - 1 keeps that tiny value accurate (e^H computed first and 1
  // subtracted would leave no correct digit at d0 = 1e-9).
  Model(9, 2.0, 2.0, -0.2);
  const double d0 = 1e-9;
  EXPECT_NEAR(Eval(-0.2 + d0)[2] / (d0 * d0), 2.0, 1e-5);
}

TEST_F(ModelTest, SplineCountsPointsOutsideTheCentralInterval) {
  Model(6, -0.5, 0.5);
  s->centralPoints = 10;
  Eval(-0.7);
  Eval(0.0);
  Eval(0.9);
  EXPECT_EQ(s->centralPoints, 8);
  EXPECT_EQ(s->m, 5);
  EXPECT_EQ(s->n, 7);
}

// The derivative columns against central differences of the model value
// sum C_i f_i with respect to c5, c6 (and x0).
struct DerivCase {
  int code;
  double c5, c6, x0;
};

class DerivativeColumns : public ::testing::TestWithParam<std::tuple<DerivCase, double>> {};

double ModelValue(LsqState& s, double u) {
  const bool saved = s.DerivativeMode;
  s.DerivativeMode = false;
  EvalBasis(s, u);
  s.DerivativeMode = saved;
  double v = 0.0;
  for (int i = 1; i <= s.m; ++i) v += s.Coef[i] * s.BasisVector[i];
  return v;
}

TEST_P(DerivativeColumns, MatchNumericalDerivatives) {
  const auto [c, u] = GetParam();
  auto s = std::make_unique<LsqState>();
  s->ModelCode = c.code;
  const int m = ModelLinearCount(c.code), n = ModelParamCount(c.code);
  const double coef[] = {0, 1.3, -0.7, 0.45, 0.2, -0.35};
  for (int i = 1; i <= m; ++i) s->Coef[i] = coef[i];
  s->Coef[n - 1] = c.c5;
  s->Coef[n] = c.c6;
  if (c.code >= 8) s->Coef[3] = c.x0;
  s->c5 = c.c5;
  s->c6 = c.c6;
  s->x0 = c.x0;
  s->DerivativeMode = true;
  EvalBasis(*s, u);
  double g[20];
  for (int i = 1; i <= n; ++i) g[i] = s->BasisVector[i];

  const double h = 1e-6;
  auto numeric = [&](double LsqState::*param, int pos) {
    const double keep = (*s).*param;
    (*s).*param = keep + h;
    s->Coef[pos] = keep + h;
    const double up = ModelValue(*s, u);
    (*s).*param = keep - h;
    s->Coef[pos] = keep - h;
    const double down = ModelValue(*s, u);
    (*s).*param = keep;
    s->Coef[pos] = keep;
    return (up - down) / (2 * h);
  };
  EXPECT_NEAR(g[n - 1], numeric(&LsqState::c5, n - 1), 1e-6) << "d/dc5";
  EXPECT_NEAR(g[n], numeric(&LsqState::c6, n), 1e-6) << "d/dc6";
  if (c.code >= 8) {
    EXPECT_NEAR(g[3], numeric(&LsqState::x0, 3), 1e-6) << "d/dx0";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Models, DerivativeColumns,
    ::testing::Combine(::testing::Values(DerivCase{1, -0.3, 0.4, 0}, DerivCase{2, -0.3, 0.4, 0},
                                         DerivCase{3, 0.1, 2.3, 0}, DerivCase{4, 0.1, 2.3, 0},
                                         DerivCase{5, -0.3, 0.4, 0}, DerivCase{6, -0.3, 0.4, 0},
                                         DerivCase{7, -0.3, 0.4, 0}, DerivCase{8, 0.7, 1.6, 0.1},
                                         DerivCase{9, 1.7, 2.6, 0.1}),
                       ::testing::Values(-0.9, -0.05, 0.27, 0.8)));

}  // namespace
}  // namespace teril

// The entries of the method and model tables, each on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/engine.h"
#include "extrema/approximate_internal.h"
#include "extrema/models.h"
#include "extrema_fixture.h"

namespace teril::testing {
namespace {

TEST(MethodNumbers, AreThoseOfTheFilesAndDialogs) {
  EXPECT_EQ(Number(Method::kPolynomial), 1);
  EXPECT_EQ(Number(Method::kNav), 3);
  EXPECT_EQ(Number(Method::kWsp), 5);
  EXPECT_EQ(Number(Method::kAp), 9);
  EXPECT_EQ(Number(Method::kSech), 11);
  EXPECT_EQ(MethodOf(0), Method::kNone);
  EXPECT_EQ(MethodOf(12), Method::kNone);
  for (int k = 1; k <= kMethodCount; ++k) {
    EXPECT_EQ(Number(MethodOf(k)), k);
    // The engine's entry and the naming table agree on the method and its model.
    EXPECT_EQ(MethodEntryOf(k).method, MethodOf(k)) << k;
    EXPECT_EQ(MethodEntryOf(k).modelCode, ModelCodeOf(k)) << k;
  }
}

// The basis of single model entries against values worked by hand.
TEST(ModelEntries, BasisValuesByHand) {
  auto s = std::make_unique<LsqState>();
  double f[kLsqDim] = {};
  // WSP with c5 = -0.2, c6 = 0.2 at u = 0.56: d = 0.56, wall (0.36)^1.5 = 0.216.
  s->c5 = -0.2;
  s->c6 = 0.2;
  EXPECT_EQ(ModelOf(1)->basis(0.56, *s, f), 0);
  EXPECT_DOUBLE_EQ(f[2], 0.56 * 0.56);
  EXPECT_NEAR(f[3], 0.216, 1e-15);
  // The spline at u = -0.5 lies in the left outer part only: (u - c5)^2 = 0.09.
  EXPECT_EQ(ModelOf(6)->basis(-0.5, *s, f), 1);
  EXPECT_DOUBLE_EQ(f[4], 0.09);
  EXPECT_EQ(f[5], 0.0);
  // NAV with c5 = 0.1, c6 = 2 at u = 0.6: F = 0.5, F^2 = 0.25, F^4 = 0.0625.
  s->c5 = 0.1;
  s->c6 = 2.0;
  ModelOf(3)->basis(0.6, *s, f);
  EXPECT_NEAR(f[2], 0.25, 1e-15);
  EXPECT_NEAR(f[3], 0.0625, 1e-15);
  // Sech with c5 = c6 = ln 3 at d0 = 1: A = 2, B = -2/3, f2 = (4/3)/(10/3) = 0.4.
  s->c5 = s->c6 = std::log(3.0);
  s->x0 = -0.25;
  ModelOf(9)->basis(0.75, *s, f);
  EXPECT_NEAR(f[2], 0.4, 1e-15);
  EXPECT_EQ(ModelOf(0), nullptr);
  EXPECT_EQ(ModelOf(10), nullptr);
}

// The estimators of single method entries on a fit set by hand: unit
// inverse normal matrix, Sigma2 = 0.04.
class EstimatorTest : public ExtremaTest {
 protected:
  void SetUp() override {
    ExtremaTest::SetUp();
    LsqState& s = engine->lsq;
    for (int i = 1; i < kLsqDim; ++i)
      for (int j = 1; j < kLsqDim; ++j) s.NormalMatrix[i][j] = i == j ? 1.0 : 0.0;
    engine->approx.Sigma2 = 0.04;
  }
  ExtremumEstimate Estimate(Method method) {
    number = Number(method);
    run = std::make_unique<ApproxRunState>(*engine, number);
    return MethodEntryOf(method).extremum(*run);
  }
  int number = 0;
  std::unique_ptr<ApproxRunState> run;
};

// x = 1 - 0.4 u + 0.5 u^2: vertex 0.4, value 0.92. sigma T^2 = 0.04 (1 + (2T)^2) / 1^2,
// sigma M^2 = 0.04 (1 + T^2 + T^4).
TEST_F(EstimatorTest, PolynomialVertexAndErrors) {
  LsqState& s = engine->lsq;
  s.m = s.n = 3;
  s.Coef[1] = 1.0;
  s.Coef[2] = -0.4;
  s.Coef[3] = 0.5;
  s.CurvatureSign = 0.5;
  const ExtremumEstimate est = Estimate(Method::kPolynomial);
  EXPECT_FALSE(est.failed);
  EXPECT_NEAR(est.T, 0.4, 1e-14);
  EXPECT_NEAR(est.M, 0.92, 1e-14);
  EXPECT_NEAR(est.sT, 0.2 * std::sqrt(1.64), 1e-14);
  EXPECT_NEAR(est.sM, 0.2 * std::sqrt(1.1856), 1e-14);
  EXPECT_EQ(engine->approx.parabolaMoment, est.T);
}

TEST_F(EstimatorTest, MidpointOfTheCentralPartWithItsDuration) {
  LsqState& s = engine->lsq;
  s.m = 3;
  s.n = 5;
  s.c5 = -0.3;
  s.c6 = 0.1;
  s.Coef[1] = 7.0;
  const ExtremumEstimate est = Estimate(Method::kWsl);
  EXPECT_NEAR(est.T, -0.1, 1e-15);
  EXPECT_NEAR(est.sT, std::sqrt(0.02), 1e-15);  // (1 + 1) 0.04 / 4
  EXPECT_EQ(est.M, 7.0);
  EXPECT_NEAR(est.sM, 0.2, 1e-15);
  EXPECT_TRUE(est.hasDuration);
  EXPECT_NEAR(est.D, 0.4, 1e-15);
  EXPECT_NEAR(est.sD, std::sqrt(0.08), 1e-15);
  EXPECT_FALSE(est.central);
}

// The sech moment is where the model's f2 = 1 - 2/(e^(c5 d) + e^(-c6 d)) is
// smallest: found here by a golden-section search over the basis.
TEST_F(EstimatorTest, SechMomentIsTheExtremumOfTheModel) {
  LsqState& s = engine->lsq;
  s.m = 2;
  s.n = 5;
  s.c5 = 1.5;
  s.c6 = 4.0;
  s.x0 = 0.1;
  s.Coef[1] = 10.0;
  s.Coef[2] = 1.0;
  s.Coef[3] = 0.1;
  s.Coef[4] = 1.5;
  s.Coef[5] = 4.0;
  const ExtremumEstimate est = Estimate(Method::kSech);
  double f[kLsqDim];
  auto f2 = [&](double u) {
    ModelOf(9)->basis(u, s, f);
    return f[2];
  };
  double lo = -1.0, hi = 1.0;
  const double g = (std::sqrt(5.0) - 1.0) / 2.0;
  for (int it = 0; it < 200; ++it) {
    const double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
    if (f2(a) < f2(b))
      hi = b;
    else
      lo = a;
  }
  EXPECT_NEAR(est.T, (lo + hi) / 2.0, 1e-7);
  EXPECT_NEAR(est.M, 10.0 + f2(est.T), 1e-12);
}

// WSAP whose central part shrinks below 0.01 gives way to AP; NAV's power
// stays in [1, 8].
TEST_F(EstimatorTest, CorrectionsClampAndFallBack) {
  LsqState& s = engine->lsq;
  LoadFunction(21, [](double t) { return t; });
  s.N = 21;
  for (int k = 1; k <= 21; ++k) s.u[k] = (k - 11) / 10.0;
  double delta[kLsqDim] = {};
  s.Coef[4] = 0.0;
  s.Coef[5] = 0.2;
  delta[5] = -7.8;  // c6 moves by -7.8 / 40 = -0.195
  number = Number(Method::kWsap);
  ApproxRunState wsap(*engine, number);
  EXPECT_EQ(MethodEntryOf(Method::kWsap).correct(wsap, CorrectionStep{delta, 3, 5, false}),
            ApproxStep::kPass);
  EXPECT_EQ(number, Number(Method::kAp));
  EXPECT_EQ(engine->approx.FallbackFlag, 1);
  EXPECT_TRUE(
      host.Logged("Central interval is too small. There is asymptotic parabola instead of wsap."));

  number = Number(Method::kNav);
  ApproxRunState nav(*engine, number);
  s.Coef[4] = 0.0;
  s.Coef[5] = 7.9;
  delta[4] = 0.0;
  delta[5] = 40.0;  // the power would become 8.9
  EXPECT_EQ(MethodEntryOf(Method::kNav).correct(nav, CorrectionStep{delta, 3, 5, false}),
            ApproxStep::kFinal);  // c5 did not move: converged
  EXPECT_EQ(s.Coef[5], 8.0);
}

}  // namespace
}  // namespace teril::testing

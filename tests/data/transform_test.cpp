#include "data/transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "base/io.h"
#include "engine/engine.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

using testing::EngineTest;

class TransformTest : public EngineTest {
 protected:
  void Fill(const std::vector<double>& t, const std::vector<double>& x) {
    DataSet& d = engine->data;
    d.n = static_cast<int>(t.size());
    for (int i = 1; i <= d.n; ++i) {
      d.t[i] = d.t0[i] = t[i - 1];
      d.x[i] = x[i - 1];
      d.s[i] = 1.0;
    }
    d.tWidth = 10;
    d.tDecimals = 4;
    d.xWidth = 8;
    d.xDecimals = 4;
    engine->view.firstVisible = 1;
    engine->view.lastVisible = d.n;
    engine->view.j = 1;
    engine->run.countAtLoad = d.n;
  }
  std::vector<double> Xs() const {
    return {engine->data.x.begin() + 1, engine->data.x.begin() + 1 + engine->data.n};
  }
  std::vector<double> Ts() const {
    return {engine->data.t.begin() + 1, engine->data.t.begin() + 1 + engine->data.n};
  }
};

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want, double tol) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], tol) << "index " << i;
}

// ---- refusals: data, flags and formats unchanged, first bad point named ----

struct RefusalCase {
  std::string name;
  std::vector<double> t, x;
  std::function<bool(Engine&)> apply;
  std::string logged;                                   // part of the refusal line
  std::function<void(Engine&)> setup = [](Engine&) {};  // state before the command
};

class RefusalTest : public TransformTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, RefusedWholeAndNamed) {
  const RefusalCase& c = GetParam();
  Fill(c.t, c.x);
  c.setup(*engine);
  const TransformFlags flagsBefore = engine->run.flags;
  const bool appliedBefore = engine->line.lineApplied;
  EXPECT_FALSE(c.apply(*engine));
  EXPECT_EQ(Ts(), c.t);
  EXPECT_EQ(Xs(), c.x);
  EXPECT_EQ(engine->data.n, static_cast<int>(c.t.size()));
  EXPECT_EQ(engine->data.xWidth, 8);
  EXPECT_EQ(engine->data.tWidth, 10);
  const TransformFlags& f = engine->run.flags;
  EXPECT_EQ(f.lgT, flagsBefore.lgT);
  EXPECT_EQ(f.powT, flagsBefore.powT);
  EXPECT_EQ(f.lgX, flagsBefore.lgX);
  EXPECT_EQ(f.powX, flagsBefore.powX);
  EXPECT_EQ(f.intensityToMagnitude, flagsBefore.intensityToMagnitude);
  EXPECT_EQ(f.magnitudeToIntensity, flagsBefore.magnitudeToIntensity);
  EXPECT_EQ(engine->line.lineApplied, appliedBefore);
  EXPECT_TRUE(host.LoggedPart(c.logged)) << (host.log.empty() ? "" : host.log.back());
}

INSTANTIATE_TEST_SUITE_P(
    Domains, RefusalTest,
    ::testing::Values(
        RefusalCase{"LgXOfNegative", {1, 2, 3, 4}, {5, 1, -2, 0}, ToggleLgX, "point 3, x=-2"},
        RefusalCase{"LgXOfZero", {1, 2}, {5, 0}, ToggleLgX, "point 2, x=0"},
        RefusalCase{"LgTOfZero", {0, 1}, {1, 1}, ToggleLgT, "point 1, t=0"},
        RefusalCase{"PowXOverflow", {1, 2}, {2, 400}, TogglePowX, "point 2, x=400"},
        RefusalCase{"PowTOverflow", {1, 500}, {1, 1}, TogglePowT, "point 2, t=500"},
        RefusalCase{"ReciprocalOfZero", {1, 0, 0}, {1, 1, 1}, ReciprocalT, "point 2, t=0"},
        RefusalCase{
            "MagnitudeOfNegative", {1, 2}, {3, -1}, ToggleIntensityToMagnitude, "point 2, x=-1"},
        RefusalCase{"SqrtOfNegative",
                    {1, 2, 3},
                    {5, 4, 2},
                    [](Engine& e) { return SqrtDifference(e, 3); },
                    "point 3, x=2"},
        RefusalCase{"SquareOverflow", {1, 2}, {1e200, 1}, SquareX, "point 1, x=1E200"},
        RefusalCase{"DerivativeEqualTimes", {1, 2, 2, 3}, {1, 2, 3, 4}, Derivative, "point 3, t=2"},
        RefusalCase{"SquareDerivativeEqualTimes", {1, 1}, {1, 2}, SquareDerivative, "point 2, t=1"},
        RefusalCase{"UndoLinearWithZeroSlope",
                    {1, 2},
                    {1, 2},
                    ToggleLinearTransform,
                    "point 1, x=1",
                    [](Engine& e) {
                      e.line.lineCoefB = 0;
                      e.line.lineApplied = true;
                    }},
        RefusalCase{"LgXOffOverflow",
                    {1, 2},
                    {1, 400},
                    ToggleLgX,
                    "point 2, x=400",
                    [](Engine& e) { e.run.flags.lgX = true; }},
        RefusalCase{"TimeCorrectionWithEqualTimes",
                    {1, 2},
                    {1, 2},
                    [](Engine& e) { return CorrectTime(e, 0.25, 0, 0.25, 5); },
                    "two times are equal"}),
    [](const auto& info) { return info.param.name; });

// ---- toggles that must give back the data ----

TEST_F(TransformTest, LgXThenBackAndPowXThenBack) {
  Fill({1, 2, 3}, {0.5, 10, 1000});
  ASSERT_TRUE(ToggleLgX(*engine));
  EXPECT_TRUE(engine->run.flags.lgX);
  ExpectNear(Xs(), {std::log10(0.5), 1, 3}, 1e-15);
  ASSERT_TRUE(ToggleLgX(*engine));
  EXPECT_FALSE(engine->run.flags.lgX);
  ExpectNear(Xs(), {0.5, 10, 1000}, 1e-12);

  Fill({1, 2, 3}, {0.5, 10, -3});
  engine->checks.inverseX = true;
  ASSERT_TRUE(TogglePowX(*engine));
  EXPECT_FALSE(engine->checks.inverseX);
  EXPECT_TRUE(engine->run.flags.powX);
  EXPECT_NEAR(engine->data.x[2], 1e10, 1e-3);
  ASSERT_TRUE(TogglePowX(*engine));
  ExpectNear(Xs(), {0.5, 10, -3}, 1e-12);
}

TEST_F(TransformTest, MagnitudeTwiceGivesBackXAndFormat) {
  Fill({1, 2, 3}, {100, 10, 1});
  engine->view.m0Ref = -5;  // -2.5 lg 100
  ASSERT_TRUE(ToggleIntensityToMagnitude(*engine));
  // -2.5 lg x + 5
  ExpectNear(Xs(), {0, 2.5, 5}, 1e-12);
  EXPECT_EQ(engine->data.xWidth, 5);
  EXPECT_EQ(engine->data.xDecimals, 3);
  EXPECT_TRUE(engine->checks.inverseX);
  engine->view.m0Ref = 7;  // a rescale in between must not spoil the way back
  ASSERT_TRUE(ToggleIntensityToMagnitude(*engine));
  ExpectNear(Xs(), {100, 10, 1}, 1e-12);
  EXPECT_EQ(engine->data.xWidth, 8);
  EXPECT_EQ(engine->data.xDecimals, 4);
  EXPECT_FALSE(engine->checks.inverseX);
  EXPECT_FALSE(engine->run.flags.intensityToMagnitude);
}

TEST_F(TransformTest, IntensityOnThenOffRoundTrips) {
  Fill({1, 2, 3}, {10, 11, 12.5});
  engine->view.x0Ref = 10;
  engine->checks.inverseX = true;
  ASSERT_TRUE(ToggleMagnitudeToIntensity(*engine));
  // 10^(-0.4 (x - 10)): 1, 10^-0.4, 10^-1
  ExpectNear(Xs(), {1, 0.3981071705534972, 0.1}, 1e-12);
  EXPECT_FALSE(engine->checks.inverseX);
  EXPECT_EQ(engine->view.xMin, 1.0);
  EXPECT_EQ(engine->view.xMax, 0.0);
  EXPECT_EQ(engine->data.xWidth, 5);
  engine->view.x0Ref = 1.0;  // what a rescale sets while intensities are shown
  ASSERT_TRUE(ToggleMagnitudeToIntensity(*engine));
  ExpectNear(Xs(), {10, 11, 12.5}, 1e-12);
  EXPECT_TRUE(engine->checks.inverseX);
  EXPECT_EQ(engine->data.xWidth, 8);
  EXPECT_EQ(engine->data.xDecimals, 4);
}

TEST_F(TransformTest, LgTAndPowTToggle) {
  Fill({10, 100}, {1, 1});
  ASSERT_TRUE(ToggleLgT(*engine));
  ExpectNear(Ts(), {1, 2}, 1e-15);
  ASSERT_TRUE(TogglePowT(*engine));  // 10^t while lg t is still on
  ExpectNear(Ts(), {10, 100}, 1e-12);
  EXPECT_TRUE(engine->run.flags.lgT);
  EXPECT_TRUE(engine->run.flags.powT);
}

TEST_F(TransformTest, LinearTransformAppliedAndUndone) {
  Fill({1, 2}, {3, 5});
  engine->line.lineCoefA = 1;
  engine->line.lineCoefB = 2;
  engine->line.lineCoefC = 0.5;
  ASSERT_TRUE(ToggleLinearTransform(*engine));
  ExpectNear(Xs(), {2 * 3 + 1 + 0.5, 2 * 5 + 1 + 1}, 1e-15);
  EXPECT_TRUE(engine->line.lineApplied);
  ASSERT_TRUE(ToggleLinearTransform(*engine));
  ExpectNear(Xs(), {3, 5}, 1e-15);
  ForgetLinearTransform(*engine);
  EXPECT_FALSE(engine->line.lineApplied);
}

TEST_F(TransformTest, AskLinearCoefficientsUndoesFirstAndKeepsEmptyAnswers) {
  Fill({1, 2}, {3, 5});
  engine->line.lineCoefB = 2;
  ASSERT_TRUE(ToggleLinearTransform(*engine));
  host.Add({"", "4", ""});
  ASSERT_TRUE(AskLinearCoefficients(*engine));
  ExpectNear(Xs(), {3, 5}, 1e-15);
  EXPECT_FALSE(engine->line.lineApplied);
  EXPECT_EQ(engine->line.lineCoefA, 0);
  EXPECT_EQ(engine->line.lineCoefB, 4);
  EXPECT_EQ(engine->line.lineCoefC, 0);
  EXPECT_TRUE(host.Logged("Coefficients x[j]:=ay+by*x[j]+cy*t[j]"));
}

// ---- single formulas, worked by hand ----

TEST_F(TransformTest, CycleNumbers) {
  Fill({100, 101.4, 102.9, 95.1}, {1, 1, 1, 1});
  engine->eph.epochT0 = 100;
  engine->eph.period = 2;  // E = 0, 0.7, 1.45, -2.45
  ASSERT_TRUE(CycleNumbers(*engine, false));
  EXPECT_EQ(Ts(), (std::vector<double>{0, 1, 1, -2}));
  EXPECT_EQ(engine->data.tWidth, 4);
  EXPECT_EQ(engine->data.tDecimals, 0);
  RestoreLoadedTime(*engine);
  ASSERT_TRUE(CycleNumbers(*engine, true));
  EXPECT_EQ(Ts(), (std::vector<double>{0, 0.5, 1.5, -2.5}));
  EXPECT_EQ(engine->data.tWidth, 5);
  EXPECT_EQ(engine->data.tDecimals, 1);
}

TEST_F(TransformTest, SignalFormulas) {
  Fill({2, 0, -4, 1}, {1, 3, -2, 0.5});
  ASSERT_TRUE(DivideXByT(*engine));
  EXPECT_EQ(Xs(), (std::vector<double>{0.5, 1e32, 0.5, 0.5}));

  Fill({1, 2, 3}, {1, 0.5, -1});
  ASSERT_TRUE(XOverOneMinusX(*engine));
  EXPECT_EQ(Xs(), (std::vector<double>{1e10, 1, -0.5}));

  Fill({1, 2, 3}, {-0.25, 2.5, -3});
  FractionalX(*engine);
  EXPECT_EQ(Xs(), (std::vector<double>{0.75, 0.5, 0}));
  EXPECT_EQ(host.beeps, 1);

  Fill({1, 2, 3}, {-0.25, 0.5, -3});
  NegativeXPlusOne(*engine);
  EXPECT_EQ(Xs(), (std::vector<double>{0.75, 0.5, -2}));

  Fill({1, 2}, {5, -3});
  ASSERT_TRUE(SqrtDifference(*engine, 3));  // 3-4-5, and a itself
  EXPECT_EQ(Xs(), (std::vector<double>{4, 0}));

  Fill({1, 2}, {5, 13});
  engine->data.s[1] = 2;
  engine->data.s[2] = 3;
  ASSERT_TRUE(AddS(*engine, -1));
  EXPECT_EQ(Xs(), (std::vector<double>{3, 10}));
  EXPECT_EQ(engine->data.xWidth, 10);
  EXPECT_EQ(engine->data.xDecimals, 6);
  ASSERT_TRUE(LinearXS(*engine, 2, -1));
  EXPECT_EQ(Xs(), (std::vector<double>{4, 17}));

  engine->eph.period = 0.25;
  ASSERT_TRUE(MultiplyXByPeriod(*engine));
  EXPECT_EQ(Xs(), (std::vector<double>{1, 4.25}));
}

TEST_F(TransformTest, PromptedSignalFormulasUseTheirDefaults) {
  Fill({1, 2}, {5, 13});
  host.Add({"", "2"});  // a = 1 kept, b = 2
  ASSERT_TRUE(AskLinearXS(*engine));
  EXPECT_EQ(Xs(), (std::vector<double>{7, 15}));
  host.Add({"7"});
  ASSERT_TRUE(AskSqrtDifference(*engine));
  EXPECT_EQ(Xs(), (std::vector<double>{0, std::sqrt(225.0 - 49.0)}));
}

TEST_F(TransformTest, UnwrapWholeCyclesOverTheVisiblePoints) {
  Fill({1, 2, 3, 4, 5, 6}, {0.9, 0.1, 0.2, 0.95, 0.05, 0.5});
  engine->view.lastVisible = 5;  // the last point is outside the window
  UnwrapCycles(*engine);
  // steps -0.8 (+1), +0.1, +0.75 (back to 0), -0.9 (+1)
  ExpectNear(Xs(), {0.9, 1.1, 1.2, 0.95, 1.05, 0.5}, 1e-15);
}

TEST_F(TransformTest, DifferencesAndDerivatives) {
  Fill({1, 2, 4, 8}, {0, 0, 0, 0});
  engine->view.lastVisible = 4;
  ASSERT_TRUE(DifferencesOfT(*engine));
  EXPECT_EQ(Xs(), (std::vector<double>{1, 2, 4}));
  EXPECT_EQ(engine->view.lastVisible, 3);

  Fill({0, 1, 3}, {0, 2, 6});
  ASSERT_TRUE(Derivative(*engine));
  EXPECT_EQ(Xs(), (std::vector<double>{2, 2}));
  EXPECT_EQ(Ts(), (std::vector<double>{0.5, 2}));

  Fill({0, 1, 3}, {0, 2, 6});  // squares 0, 4, 36
  engine->view.j = 3;
  ASSERT_TRUE(SquareDerivative(*engine));
  EXPECT_EQ(Xs(), (std::vector<double>{4, 16}));
  EXPECT_EQ(engine->view.j, 2);
  EXPECT_EQ(engine->run.countAtLoad, 2);
}

TEST_F(TransformTest, DoubleDensityIsExactForACubicAtInnerPoints) {
  auto cubic = [](double t) { return t * t * t - 2 * t * t + t + 3; };
  std::vector<double> t, x;
  for (int i = 0; i < 8; ++i) {
    t.push_back(i);
    x.push_back(cubic(i));
  }
  Fill(t, x);
  engine->view.j = 3;
  ASSERT_TRUE(DoubleDensity(*engine));
  const DataSet& d = engine->data;
  ASSERT_EQ(d.n, 15);
  EXPECT_EQ(engine->view.j, 5);  // the same point
  for (int k = 1; k <= 15; ++k) {
    EXPECT_DOUBLE_EQ(d.t[k], (k - 1) / 2.0) << k;
    if (k % 2 == 1 || (k >= 4 && k <= 12)) {
      EXPECT_NEAR(d.x[k], cubic(d.t[k]), 1e-12) << k;
    }
  }
}

TEST_F(TransformTest, DoubleDensityEndsAreExactForAQuadratic) {
  auto quad = [](double t) { return 2 * t * t - 3 * t + 1; };
  Fill({0, 1, 2, 3, 4}, {quad(0), quad(1), quad(2), quad(3), quad(4)});
  ASSERT_TRUE(DoubleDensity(*engine));
  ASSERT_EQ(engine->data.n, 9);
  EXPECT_NEAR(engine->data.x[2], quad(0.5), 1e-12);
  EXPECT_NEAR(engine->data.x[8], quad(3.5), 1e-12);
}

TEST_F(TransformTest, DoubleDensityOfTwoPointsTakesTheMean) {
  Fill({0, 2}, {1, 5});
  ASSERT_TRUE(DoubleDensity(*engine));
  EXPECT_EQ(Ts(), (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(Xs(), (std::vector<double>{1, 3, 5}));
}

TEST_F(TransformTest, DoubleDensityBeyondCapacityIsRefused) {
  Fill({1, 2}, {1, 2});
  engine->data.n = MaxPoints / 2 + 1;
  EXPECT_FALSE(DoubleDensity(*engine));
  EXPECT_EQ(engine->data.n, MaxPoints / 2 + 1);
  EXPECT_TRUE(host.LoggedPart("exceed the capacity"));
}

TEST_F(TransformTest, LagMapShiftsAndStopsAtItsLimits) {
  Fill({1, 2, 3, 4, 5}, {10, 11, 12, 13, 14});
  engine->data.xWidth = 6;
  engine->data.xDecimals = 2;
  EXPECT_FALSE(LagMap(*engine, -1));  // below 1
  EXPECT_EQ(engine->view.mapShift, 0);
  EXPECT_EQ(host.beeps, 1);
  ASSERT_TRUE(LagMap(*engine, +1));
  EXPECT_EQ(engine->data.n, 4);
  EXPECT_EQ(Ts(), (std::vector<double>{11, 12, 13, 14}));
  EXPECT_EQ(Xs(), (std::vector<double>{10, 11, 12, 13}));
  EXPECT_EQ(engine->data.tWidth, 6);
  EXPECT_EQ(engine->data.tDecimals, 2);
  ASSERT_TRUE(LagMap(*engine, +1));
  ASSERT_TRUE(LagMap(*engine, +1));  // shift 3 = 5 - 2
  EXPECT_EQ(Ts(), (std::vector<double>{13, 14}));
  EXPECT_FALSE(LagMap(*engine, +1));
  EXPECT_EQ(engine->view.mapShift, 3);
  EXPECT_EQ(host.beeps, 2);
  ASSERT_TRUE(LagMap(*engine, -1));
  EXPECT_EQ(Ts(), (std::vector<double>{12, 13, 14}));
}

// Clock UT+3: 21:30:00 is 6.5 h after noon UT, 03:30:00 is 12.5 h; the
// clock gains 10.8 s between them: rate 10.8/86400 / 0.25 = 0.0005.
TEST_F(TransformTest, TimeCorrectionRate) {
  EXPECT_NEAR(ClockTimeToDayFraction(213000, 3), 6.5 / 24, 1e-15);
  EXPECT_NEAR(ClockTimeToDayFraction(33000, 3), 12.5 / 24, 1e-15);
  EXPECT_NEAR(ClockTimeToDayFraction(120730, 0), (7.5 / 60) / 24, 1e-15);
  Fill({6.5 / 24 + 1, 6.5 / 24}, {1, 2});
  host.Add({"3", "213000", "0", "033000", "10.8"});
  ASSERT_TRUE(AskTimeCorrection(*engine));
  ExpectNear(Ts(), {6.5 / 24 + 1 + 0.0005, 6.5 / 24}, 1e-12);
}

TEST_F(TransformTest, TimeCorrectionWithEmptyTimesCountsFromZero) {
  Fill({2}, {1});
  host.Add({"0", "", "", "060000", "-21.6"});  // tau1 = 0, tau2 = 18 h = 0.75
  ASSERT_TRUE(AskTimeCorrection(*engine));
  // rate -21.6/86400 / 0.75 = -1/3000
  EXPECT_NEAR(engine->data.t[1], 2 - 2.0 / 3000, 1e-15);
}

TEST_F(TransformTest, TimeCorrectionEmptyFirstAnswerEndsTheProgram) {
  Fill({2}, {1});
  host.Add({""});
  try {
    AskTimeCorrection(*engine);
    FAIL() << "no ProgramExit";
  } catch (const ProgramExit& e) {
    EXPECT_EQ(e.code, 0);
  }
  EXPECT_EQ(engine->data.t[1], 2);
}

TEST_F(TransformTest, ArgumentReplacements) {
  Fill({4, 0.5, -2}, {1, 1, 1});
  ASSERT_TRUE(ReciprocalT(*engine));
  EXPECT_EQ(Ts(), (std::vector<double>{0.25, 2, -0.5}));
  TimeToIndex(*engine);
  EXPECT_EQ(Ts(), (std::vector<double>{1, 2, 3}));
  RestoreLoadedTime(*engine);
  EXPECT_EQ(Ts(), (std::vector<double>{4, 0.5, -2}));
}

}  // namespace
}  // namespace teril

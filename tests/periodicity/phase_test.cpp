#include "periodicity/phase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

using testing::EngineTest;

class PhaseTest : public EngineTest {};

// T0 = 1000, P = 0.5, f = 2: every moment below is exact in binary, so the
// phases are exact too.
Ephemeris Linear() {
  Ephemeris e;
  e.epochT0 = 1000;
  e.period = 0.5;
  e.frequency = 2;
  return e;
}

struct PhaseCase {
  std::string name;
  double cycles;        // t = T0 + cycles * P
  double phaseOfTime;   // in [0, 1)
  double workingPhase;  // in [-0.5, 0.5]
};

class PhaseCaseTest : public EngineTest, public ::testing::WithParamInterface<PhaseCase> {};

TEST_P(PhaseCaseTest, SingleMomentAndWorkingPhase) {
  const PhaseCase& c = GetParam();
  engine->eph = Linear();
  const double t = 1000 + c.cycles * 0.5;
  EXPECT_DOUBLE_EQ(PhaseOfTime(engine->eph, t), c.phaseOfTime);
  engine->data.n = 1;
  engine->data.t0[1] = t;
  engine->data.t[1] = 12345;
  ComputePhases(*engine);
  EXPECT_DOUBLE_EQ(engine->data.t[1], c.workingPhase);
  EXPECT_EQ(engine->data.t0[1], t);
}

INSTANTIATE_TEST_SUITE_P(Edges, PhaseCaseTest,
                         ::testing::Values(PhaseCase{"OneAndAQuarter", 1.25, 0.25, 0.25},
                                           PhaseCase{"MinusAQuarter", -0.25, 0.75, -0.25},
                                           PhaseCase{"PlusHalfIsKept", 0.5, 0.5, 0.5},
                                           PhaseCase{"MinusHalfIsKept", -0.5, 0.5, -0.5},
                                           PhaseCase{"ThreeQuarters", 3.75, 0.75, -0.25},
                                           PhaseCase{"WholeCycles", -7, 0, 0},
                                           PhaseCase{"Epoch", 0, 0, 0}),
                         [](const auto& info) { return info.param.name; });

TEST(PhaseText, WidthSixFourDecimals) {
  EXPECT_EQ(PhaseText(0.25), "0.2500");
  EXPECT_EQ(PhaseText(0.03125), "0.0312");
}

// T0 = 0, P = 1, Q = 0.01, t = 10.5: 0.01 E^2 + E - 10.5 = 0, so
// E = (sqrt(1.42) - 1)/0.02 = 9.581876439064917 (worked with a calculator).
TEST_F(PhaseTest, QuadraticEphemerisAgainstHandComputation) {
  engine->eph.epochT0 = 0;
  engine->eph.period = 1;
  engine->eph.frequency = 1;
  engine->eph.Q = 0.01;
  EXPECT_NEAR(PhaseOfTime(engine->eph, 10.5), 0.581876439064917, 1e-12);
  engine->data.n = 1;
  engine->data.t0[1] = 10.5;
  ComputePhases(*engine);
  EXPECT_NEAR(engine->data.t[1], 0.581876439064917 - 1, 1e-12);
}

// The forward ephemeris t = T0 + P E + Q E^2 at E = cycle + 0.3 must give
// the phase 0.3 back, on both sides of the series bound |g| = 0.0002.
TEST(CycleNumber, InvertsTheQuadraticEphemerisOnBothSidesOfTheSeriesBound) {
  Ephemeris e;
  e.epochT0 = 2450000.0;
  e.period = 0.8;
  e.frequency = 1 / 0.8;
  e.Q = 2e-7;
  for (double cycles : {-190.0, -100.0, -10.0, 10.0, 190.0, 199.0, 201.0, 1000.0, 40000.0}) {
    const double E = cycles + 0.3;
    const double t = e.epochT0 + e.period * E + e.Q * E * E;
    double got;
    ASSERT_TRUE(CycleNumber(e, t, got));
    EXPECT_NEAR(got, E, 1e-7) << cycles;
    EXPECT_NEAR(PhaseOfTime(e, t), 0.3, 1e-7) << cycles;
  }
}

TEST(CycleNumber, SeriesAndRootBothSolveTheEphemerisNearTheBound) {
  Ephemeris e;
  e.period = 1;
  e.frequency = 1;
  e.Q = 1e-6;
  // g = 4 d Q f = 4e-6 d: the bound |g| = 0.0002 lies at d = 50; the series
  // is used below it, the root form above it.
  for (double t : {49.999, 50.001, -49.999, -50.001}) {
    double E;
    ASSERT_TRUE(CycleNumber(e, t, E));
    EXPECT_NEAR(E + e.Q * E * E, t, 1e-12) << t;
  }
}

TEST_F(PhaseTest, NoRealCycleNumberPutsThePointOutsideThePhaseWindow) {
  engine->eph.epochT0 = 0;
  engine->eph.period = 1;
  engine->eph.frequency = 1;
  engine->eph.Q = -0.01;  // g = -0.04 d: g <= -1 from d = 25 on
  engine->data.n = 2;
  engine->data.t0[1] = 30;
  engine->data.t0[2] = 5;
  ComputePhases(*engine);
  EXPECT_EQ(engine->data.t[1], 2);
  EXPECT_GE(engine->data.t[2], -0.5);
  EXPECT_LE(engine->data.t[2], 0.5);
}

class TrialFrequencyTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine->trial.frequencyList = {0.5, 0, 4};
    engine->eph.period = 3;
    engine->eph.frequency = 1.0 / 3;
  }
};

TEST_F(TrialFrequencyTest, NextStepsAndWrapsRound) {
  ASSERT_TRUE(StepTrialFrequency(*engine, +1));
  EXPECT_TRUE(engine->data.phased);
  EXPECT_EQ(engine->trial.frequencyIndex, 1);
  EXPECT_EQ(engine->eph.frequency, 0.5);
  EXPECT_EQ(engine->eph.period, 2);
  ASSERT_TRUE(StepTrialFrequency(*engine, +1));  // entry 0: frequency unchanged
  EXPECT_EQ(engine->trial.frequencyIndex, 2);
  EXPECT_EQ(engine->eph.frequency, 0.5);
  ASSERT_TRUE(StepTrialFrequency(*engine, +1));
  EXPECT_EQ(engine->eph.period, 0.25);
  ASSERT_TRUE(StepTrialFrequency(*engine, +1));  // from the last back to the first
  EXPECT_EQ(engine->trial.frequencyIndex, 1);
  EXPECT_EQ(engine->eph.frequency, 0.5);
}

TEST_F(TrialFrequencyTest, PreviousWrapsFromTheFirstToTheLast) {
  ASSERT_TRUE(StepTrialFrequency(*engine, -1));  // index 0 -> below 1 -> count
  EXPECT_EQ(engine->trial.frequencyIndex, 3);
  EXPECT_EQ(engine->eph.frequency, 4);
  ASSERT_TRUE(StepTrialFrequency(*engine, -1));
  EXPECT_EQ(engine->trial.frequencyIndex, 2);
}

TEST_F(TrialFrequencyTest, EmptyListChangesNothing) {
  engine->trial.frequencyList.clear();
  EXPECT_FALSE(StepTrialFrequency(*engine, +1));
  EXPECT_FALSE(engine->data.phased);
  EXPECT_EQ(engine->trial.frequencyIndex, 0);
  EXPECT_EQ(engine->eph.period, 3);
}

TEST_F(PhaseTest, EpochFromTheLoadedTimeOfTheCurrentPoint) {
  engine->data.n = 3;
  engine->data.t0[2] = 2451234.5;
  engine->data.t[2] = 0.3;  // phased
  engine->view.j = 2;
  SetEpochFromCurrentPoint(*engine);
  EXPECT_EQ(engine->eph.epochT0, 2451234.5);
}

TEST_F(PhaseTest, PeriodFromParabola) {
  engine->eph.epochT0 = 5;
  engine->view.scrollShift = 1;
  ASSERT_TRUE(SetPeriodFromParabola(*engine, 2.5));
  EXPECT_EQ(engine->eph.period, 2.5);
  EXPECT_EQ(engine->eph.frequency, 0.4);
  EXPECT_EQ(engine->eph.epochT0, 0);
  EXPECT_EQ(engine->view.scrollShift, 0);
  EXPECT_FALSE(SetPeriodFromParabola(*engine, 0));
  EXPECT_FALSE(SetPeriodFromParabola(*engine, INFINITY));
  EXPECT_EQ(engine->eph.period, 2.5);
}

TEST_F(PhaseTest, XToPhaseMakesAnOCDiagram) {
  engine->eph = Linear();
  DataSet& d = engine->data;
  d.n = 3;
  const std::vector<double> moments = {1000 + 1.25 * 0.5, 1000 + 3.75 * 0.5, 1000 + 0.5 * 0.5};
  for (int i = 1; i <= 3; ++i) {
    d.x[i] = moments[i - 1];
    d.t[i] = d.t0[i] = i;
  }
  d.xWidth = 12;
  d.xDecimals = 4;
  engine->run.columnX = 3;
  XToPhase(*engine);
  EXPECT_EQ(d.t[1], moments[0]);
  EXPECT_EQ(d.t[3], moments[2]);
  EXPECT_DOUBLE_EQ(d.x[1], 0.25);
  EXPECT_DOUBLE_EQ(d.x[2], -0.25);
  EXPECT_DOUBLE_EQ(d.x[3], 0.5);  // 0.5 stays: (-0.5, 0.5]
  EXPECT_EQ(d.t0[2], 2);
  EXPECT_EQ(d.xWidth, 9);
  EXPECT_EQ(d.xDecimals, 6);
  EXPECT_EQ(d.tWidth, 12);
  EXPECT_EQ(d.tDecimals, 4);
  EXPECT_EQ(engine->run.columnX, 1);
}

}  // namespace
}  // namespace teril

// The ERFA wrappers against the checked values of ERFA's own test
// programme (t_erfa_c.c), and the interpolated Earth grid against direct
// evaluation.
#include "timescales/erfa_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "timescales/earth_grid.h"

namespace teril {
namespace {

TEST(ErfaTime, LeapSecondScalesMatchErfaCheckedValues) {
  // t_utctai, t_taiutc, t_taitt, t_tttai.
  erfa::TwoPartDate tai;
  ASSERT_TRUE(erfa::UtcToTai({2453750.5, 0.892100694}, tai));
  EXPECT_NEAR(tai.d1, 2453750.5, 1e-6);
  EXPECT_NEAR(tai.d2, 0.8924826384444444444, 1e-12);
  erfa::TwoPartDate utc;
  ASSERT_TRUE(erfa::TaiToUtc({2453750.5, 0.892482639}, utc));
  EXPECT_NEAR(utc.d1, 2453750.5, 1e-6);
  EXPECT_NEAR(utc.d2, 0.8921006945555555556, 1e-12);
  erfa::TwoPartDate tt = erfa::TaiToTt({2453750.5, 0.892482639});
  EXPECT_NEAR(tt.d1, 2453750.5, 1e-6);
  EXPECT_NEAR(tt.d2, 0.892855139, 1e-12);
  erfa::TwoPartDate back = erfa::TtToTai({2453750.5, 0.892482639});
  EXPECT_NEAR(back.d1, 2453750.5, 1e-6);
  EXPECT_NEAR(back.d2, 0.892110139, 1e-12);
}

TEST(ErfaTime, UtcBefore1960IsRefused) {
  erfa::TwoPartDate tai;
  EXPECT_FALSE(erfa::UtcToTai({2400000.5, 36933.9}, tai));  // 1959-12-31
  EXPECT_TRUE(erfa::UtcToTai({2400000.5, 36934.0}, tai));   // 1960-01-01
}

TEST(ErfaTime, TdbMinusTtMatchesErfaCheckedValue) {
  // t_dtdb.
  EXPECT_NEAR(erfa::TdbMinusTt({2448939.5, 0.123}, 0.76543, 5.0123, 5525.242, 3190.0),
              -0.1280368005936998991e-2, 1e-15);
}

TEST(ErfaTime, EarthPositionVelocityMatchesErfaCheckedValues) {
  // t_epv00.
  erfa::EarthState s = erfa::EarthPositionVelocity({2400000.5, 53411.52501161});
  const double ph[3] = {-0.7757238809297706813, 0.5598052241363340596, 0.2426998466481686993};
  const double vh[3] = {-0.1091891824147313846e-1, -0.1247187268440845008e-1,
                        -0.5407569418065039061e-2};
  const double pb[3] = {-0.7714104440491111971, 0.5598412061824171323, 0.2425996277722452400};
  const double vb[3] = {-0.1091874268116823295e-1, -0.1246525461732861538e-1,
                        -0.5404773180966231279e-2};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(s.helioPosition[i], ph[i], 1e-14);
    EXPECT_NEAR(s.helioVelocity[i], vh[i], 1e-15);
    EXPECT_NEAR(s.baryPosition[i], pb[i], 1e-14);
    EXPECT_NEAR(s.baryVelocity[i], vb[i], 1e-15);
  }
}

TEST(ErfaTime, RotationAndGeodesyMatchErfaCheckedValues) {
  // t_era00 and t_gd2gc (WGS84).
  EXPECT_NEAR(erfa::EarthRotationAngle({2400000.5, 54388.0}), 0.4022837240028158102, 1e-12);
  erfa::Vector3 xyz;
  ASSERT_TRUE(erfa::GeodeticToGeocentric(3.1, -0.5, 2500.0, xyz));
  EXPECT_NEAR(xyz[0], -5599000.5577049947, 1e-7);
  EXPECT_NEAR(xyz[1], 233011.67223479203, 1e-7);
  EXPECT_NEAR(xyz[2], -3040909.4706983363, 1e-7);
}

TEST(ErfaTime, CelestialToIntermediateIsARotationCloseToUnity) {
  erfa::Matrix3 m = erfa::CelestialToIntermediate({2451545.0, 7000.0});
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      double dot = 0.0;
      for (int k = 0; k < 3; ++k) dot += m[i][k] * m[j][k];
      EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-14);
      // Precession over 19 years is about 0.27 degree.
      if (i != j) {
        EXPECT_LT(std::abs(m[i][j]), 0.01);
      }
    }
  }
}

class EarthGridTest : public ::testing::TestWithParam<bool> {};

// The interpolated corrections agree with ERFA evaluated at each moment:
// the grid's interpolation error is far below the 1e-9 d the conversions
// keep, and the topocentric terms of TDB - TT are reproduced from the three
// coefficients read at the nodes.
TEST_P(EarthGridTest, InterpolationAgreesWithDirectEvaluation) {
  std::optional<Observatory> site;
  if (GetParam()) site = Observatory{-70.4, -24.6, 2635.0};
  LineOfSight sight;
  ASSERT_TRUE(LineOfSight::Make({83.6, -5.4}, site, sight));
  EarthGrid grid(sight);
  const double first = 7000.0;  // days from J2000 (2019)
  const double span = 400.0;
  for (double d = first; d <= first + span; d += 0.1) grid.Need(d, 0.01);
  grid.Compute(2);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> when(first, first + span);
  std::uniform_real_distribution<double> angle(0.0, 6.283185307179586);
  EarthGrid::Cursor cursor;
  for (int i = 0; i < 300; ++i) {
    double d = when(random);
    double era = angle(random);
    double ut = angle(random) / 6.283185307179586;
    for (TimePlace place : {TimePlace::BAR, TimePlace::HEL}) {
      EXPECT_NEAR(grid.Roemer(place, d, era, cursor), grid.DirectRoemer(place, d, era), 1e-8) << d;
    }
    EXPECT_NEAR(grid.TdbMinusTt(d, ut, cursor), grid.DirectTdbMinusTt(d, ut), 5e-9) << d;
  }
  // A date the grid was not asked for falls back on direct evaluation.
  EXPECT_EQ(grid.Roemer(TimePlace::BAR, first + 2000.0, 1.0, cursor),
            grid.DirectRoemer(TimePlace::BAR, first + 2000.0, 1.0));
}

INSTANTIATE_TEST_SUITE_P(GeocentreAndObservatory, EarthGridTest, ::testing::Bool());

}  // namespace
}  // namespace teril

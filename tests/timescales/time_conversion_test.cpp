// Conversions of whole columns of times: round trips, the size and
// period of the barycentric correction, BJD - HJD worked by hand, the
// leap seconds, and the refusals that leave the times untouched.
#include "timescales/time_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "timescales/erfa_time.h"

namespace teril {
namespace {

constexpr double kDay = 86400.0;

TimeConversion Conversion(TimeScale scale, TimePlace place, TimeTarget target,
                          SkyPosition star = {123.456, -12.34}) {
  TimeConversion c;
  c.referenceNow = TimeReference::Named(TimeReference::Kind::MJD);
  c.scaleNow = scale;
  c.placeNow = place;
  c.target = target;
  c.referenceAfter = c.referenceNow;
  c.star = star;
  return c;
}

// The way back from a target: its scale and place as the input.
TimeConversion Back(const TimeConversion& there) {
  TimeConversion back = there;
  back.referenceNow = there.referenceAfter;
  back.scaleNow = ScaleOf(there.target);
  back.placeNow = PlaceOf(there.target);
  back.target = TimeTarget::JD_UTC;
  back.referenceAfter = there.referenceNow;
  return back;
}

std::vector<double> Span(double first, double last, int n) {
  std::vector<double> t(n);
  for (int i = 0; i < n; ++i) t[i] = first + (last - first) * i / (n - 1);
  return t;
}

struct RoundTripCase {
  TimeTarget target;
  bool observatory;
  TimeReference::Kind after;
};

class RoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTripTest, UtcToTargetAndBackWithin1e9Days) {
  TimeConversion there = Conversion(TimeScale::UTC, TimePlace::GEO, GetParam().target);
  there.referenceAfter = TimeReference::Named(GetParam().after);
  if (GetParam().observatory) there.observatory = Observatory{-17.88, 28.76, 2396.0};
  // 1972 to 2024, through leap-second days and sub-second times.
  std::vector<double> t = Span(41317.3, 60300.8, 601);
  t.push_back(57753.99999);  // in the leap second's day, 2016-12-31
  TimeConversionResult r = ConvertTimes(t, there);
  ASSERT_TRUE(r.ok()) << r.error;
  TimeConversionResult back = ConvertTimes(r.t, Back(there));
  ASSERT_TRUE(back.ok()) << back.error;
  double largestMove = 0.0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    ASSERT_NEAR(back.t[i], t[i], 1e-9) << i;
    double moved = r.t[i] + (there.referenceAfter.offset - there.referenceNow.offset) - t[i];
    largestMove = std::max(largestMove, std::abs(moved));
  }
  // The times did move there: by up to the light time of 1 au and more.
  EXPECT_GT(largestMove * kDay, 400.0);
  EXPECT_LT(largestMove * kDay, 600.0);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, RoundTripTest,
    ::testing::Values(RoundTripCase{TimeTarget::BJD_TDB, false, TimeReference::Kind::BTJD},
                      RoundTripCase{TimeTarget::BJD_TDB, true, TimeReference::Kind::MJD},
                      RoundTripCase{TimeTarget::HJD_UTC, false, TimeReference::Kind::RJD},
                      RoundTripCase{TimeTarget::HJD_UTC, true, TimeReference::Kind::JD}));

TEST(ConvertTimes, TtAndTdbInputsRoundTrip) {
  for (TimeScale scale : {TimeScale::TT, TimeScale::TDB}) {
    std::vector<double> t = Span(50000.1, 60000.9, 501);
    TimeConversion c = Conversion(scale, TimePlace::GEO, TimeTarget::JD_UTC);
    TimeConversionResult utc = ConvertTimes(t, c);
    ASSERT_TRUE(utc.ok()) << utc.error;
    // From UTC back to the scale: through BJD_TDB for TDB ...
    TimeConversion toBjd = Conversion(TimeScale::UTC, TimePlace::GEO, TimeTarget::BJD_TDB);
    TimeConversionResult bjd = ConvertTimes(utc.t, toBjd);
    TimeConversionResult fromTdb =
        ConvertTimes(t, Conversion(scale, TimePlace::GEO, TimeTarget::BJD_TDB));
    ASSERT_TRUE(bjd.ok() && fromTdb.ok());
    for (std::size_t i = 0; i < t.size(); ++i) ASSERT_NEAR(bjd.t[i], fromTdb.t[i], 1e-10) << i;
  }
}

TEST(ConvertTimes, TtToUtcFollowsErfaLeapSeconds) {
  // Checked against ERFA's own TT -> TAI -> UTC one moment at a time,
  // from the rate-offset UTC of the 1960s through the leap second of
  // 2016-12-31.
  std::vector<double> t = Span(37000.2, 60000.7, 3001);
  for (double f : {0.0, 0.25, 0.5, 0.75, 0.9999}) t.push_back(57753.0 + f);
  TimeConversionResult r =
      ConvertTimes(t, Conversion(TimeScale::TT, TimePlace::GEO, TimeTarget::JD_UTC));
  ASSERT_TRUE(r.ok()) << r.error;
  for (std::size_t i = 0; i < t.size(); ++i) {
    erfa::TwoPartDate utc;
    ASSERT_TRUE(erfa::TaiToUtc(erfa::TtToTai({2400000.5, t[i]}), utc));
    ASSERT_NEAR(r.t[i], (utc.d1 - 2400000.5) + utc.d2, 1e-11) << t[i];
  }
  // TT - UTC by hand: 32.184 s + 36 s in 2016, + 37 s from 2017.
  TimeConversionResult around =
      ConvertTimes(std::vector<double>{57752.5, 57755.5},
                   Conversion(TimeScale::TT, TimePlace::GEO, TimeTarget::JD_UTC));
  ASSERT_TRUE(around.ok());
  EXPECT_NEAR((57752.5 - around.t[0]) * kDay, 68.184, 1e-5);
  EXPECT_NEAR((57755.5 - around.t[1]) * kDay, 69.184, 1e-5);
}

// The barycentric correction over a year: for a star at the ecliptic pole
// the Earth's orbit lies across the line of sight and only the Sun's
// wobble about the barycentre remains (a few seconds at most); for a star
// on the ecliptic it swings by the light time of 1 au, 499 s, either way
// (a little more or less with the eccentricity and the Sun's offset).
TEST(ConvertTimes, BarycentricCorrectionOverAYear) {
  std::vector<double> t = Span(59000.0, 59365.25, 1461);
  auto correction = [&](SkyPosition star) {
    TimeConversionResult r =
        ConvertTimes(t, Conversion(TimeScale::TDB, TimePlace::GEO, TimeTarget::BJD_TDB, star));
    EXPECT_TRUE(r.ok()) << r.error;
    std::vector<double> seconds(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) seconds[i] = (r.t[i] - t[i]) * kDay;
    return seconds;
  };
  // Ecliptic north pole: RA 18 h, Dec 90 - 23.4393 deg.
  std::vector<double> pole = correction({270.0, 66.5607});
  for (double s : pole) EXPECT_LT(std::abs(s), 5.0);
  // The vernal equinox lies on the ecliptic.
  std::vector<double> ecliptic = correction({0.0, 0.0});
  auto [lo, hi] = std::minmax_element(ecliptic.begin(), ecliptic.end());
  EXPECT_NEAR(*hi, 499.0, 15.0);
  EXPECT_NEAR(*lo, -499.0, 15.0);
  // The sign: at the March equinox the Sun stands in that direction and the
  // Earth is 1 au farther from the star than the Sun, so the light passes
  // the barycentre 499 s before it reaches the Earth (most negative); at
  // the September equinox the Earth is in front (most positive).
  EXPECT_NEAR(t[lo - ecliptic.begin()], 59293.0, 10.0);  // 2021-03-20
  EXPECT_NEAR(t[hi - ecliptic.begin()], 59114.0, 10.0);  // 2020-09-22
  // It changes sign twice in the year: near the equinoxes.
  int signChanges = 0;
  for (std::size_t i = 1; i < ecliptic.size(); ++i)
    if ((ecliptic[i] > 0) != (ecliptic[i - 1] > 0)) ++signChanges;
  EXPECT_EQ(signChanges, 2);
}

// BJD_TDB - HJD_UTC for the same moment, worked from the formulas:
//   (TDB - UTC) + (r_EB - r_EH) . n x 499.004784 s
// at TDB = MJD 53411.52501161 (2005-02-04), the date of ERFA's checked
// Earth positions, whose difference is the Sun's barycentric position:
//   pb - ph = (0.0043134368806594842, 0.0000359820460830727,
//              -0.0001002188759234593) au.
// TDB - UTC = 32 s (TAI - UTC in 2005) + 32.184 s + TDB - TT, where
// TDB - TT = 0.001657 sin g + 0.000014 sin 2g, g = 357.53 deg + 0.98560028
// deg x (JD - 2451545) (the two main terms; good to about 40 us).
struct HandCase {
  SkyPosition star;
};

class BjdMinusHjdTest : public ::testing::TestWithParam<HandCase> {};

TEST_P(BjdMinusHjdTest, MatchesTheWorkedValue) {
  const double pi = 3.14159265358979323846;
  const double tdbMjd = 53411.52501161;
  const double g = (357.53 + 0.98560028 * (tdbMjd + 2400000.5 - 2451545.0)) * pi / 180.0;
  const double tdbMinusTt = 0.001657 * std::sin(g) + 0.000014 * std::sin(2 * g);
  const double tdbMinusUtc = 32.0 + 32.184 + tdbMinusTt;
  const double ra = GetParam().star.raDeg * pi / 180.0;
  const double dec = GetParam().star.decDeg * pi / 180.0;
  const double n[3] = {std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec)};
  const double sun[3] = {0.0043134368806594842, 0.0000359820460830727, -0.0001002188759234593};
  const double expected =
      tdbMinusUtc + (sun[0] * n[0] + sun[1] * n[1] + sun[2] * n[2]) * 499.004783836;

  std::vector<double> utc{tdbMjd - tdbMinusUtc / kDay};
  TimeConversionResult bjd = ConvertTimes(
      utc, Conversion(TimeScale::UTC, TimePlace::GEO, TimeTarget::BJD_TDB, GetParam().star));
  TimeConversionResult hjd = ConvertTimes(
      utc, Conversion(TimeScale::UTC, TimePlace::GEO, TimeTarget::HJD_UTC, GetParam().star));
  ASSERT_TRUE(bjd.ok() && hjd.ok());
  EXPECT_NEAR((bjd.t[0] - hjd.t[0]) * kDay, expected, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Stars, BjdMinusHjdTest,
                         ::testing::Values(HandCase{{0.0, 0.0}}, HandCase{{90.0, 0.0}},
                                           HandCase{{180.0, 0.0}}, HandCase{{0.0, -90.0}},
                                           HandCase{{123.456, -12.34}}));

TEST(ConvertTimes, ObservatoryAddsAtMostTheEarthsRadiusInLightTime) {
  // Over one day an observer on the equator sees the star's correction
  // move by up to R/c = 6378 km / c = 21.3 ms either way, and after one
  // sidereal day (0.99726957 d) the same again.
  std::vector<double> t = Span(59000.0, 59001.0, 97);
  for (double x : Span(59000.0, 59001.0, 97)) t.push_back(x + 0.99726957);
  TimeConversion geo = Conversion(TimeScale::UTC, TimePlace::GEO, TimeTarget::BJD_TDB, {0, 0});
  TimeConversion site = geo;
  site.observatory = Observatory{0.0, 0.0, 0.0};
  TimeConversionResult a = ConvertTimes(t, geo);
  TimeConversionResult b = ConvertTimes(t, site);
  ASSERT_TRUE(a.ok() && b.ok());
  double largest = 0.0;
  for (std::size_t i = 0; i < 97; ++i) {
    double d = (b.t[i] - a.t[i]) * kDay;
    double later = (b.t[i + 97] - a.t[i + 97]) * kDay;
    largest = std::max(largest, std::abs(d));
    EXPECT_LE(std::abs(d), 6378.137e3 / 299792458.0 + 1e-5);
    EXPECT_NEAR(later, d, 2e-4) << i;
  }
  EXPECT_GT(largest, 0.015);
}

TEST(ConvertTimes, ReferencesOnlyShiftTheNumbers) {
  std::vector<double> mjd = Span(58000.1, 58100.7, 11);
  std::vector<double> btjd(mjd.size());
  for (std::size_t i = 0; i < mjd.size(); ++i) btjd[i] = mjd[i] + 2400000.5 - 2457000.0;
  TimeConversion c = Conversion(TimeScale::UTC, TimePlace::GEO, TimeTarget::BJD_TDB);
  TimeConversionResult a = ConvertTimes(mjd, c);
  c.referenceNow = TimeReference::Named(TimeReference::Kind::BTJD);
  c.referenceAfter = TimeReference::FromOffset(2450000.0);
  TimeConversionResult b = ConvertTimes(btjd, c);
  ASSERT_TRUE(a.ok() && b.ok());
  for (std::size_t i = 0; i < mjd.size(); ++i)
    EXPECT_NEAR(b.t[i], a.t[i] + 2400000.5 - 2450000.0, 1e-9);
}

TEST(ConvertTimes, OneThreadAndTwoGiveTheSameNumbers) {
  std::vector<double> t = Span(55000.0, 55400.0, 40001);
  TimeConversion c = Conversion(TimeScale::UTC, TimePlace::HEL, TimeTarget::BJD_TDB);
  c.observatory = Observatory{20.8, -32.4, 1798.0};
  TimeConversionResult one = ConvertTimes(t, c, 1);
  TimeConversionResult two = ConvertTimes(t, c, 2);
  ASSERT_TRUE(one.ok() && two.ok());
  EXPECT_EQ(one.t, two.t);
}

struct RefusalCase {
  TimeScale scale;
  TimeTarget target;
  double bad;  // put at point 3
  const char* says;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, NamesTheFirstBadPointAndChangesNothing) {
  std::vector<double> t{58000.0, 58001.0, GetParam().bad, 58002.0, GetParam().bad};
  const std::vector<double> before = t;
  TimeConversion c = Conversion(GetParam().scale, TimePlace::GEO, GetParam().target);
  std::string error = ConvertTimesInPlace(t, c);
  EXPECT_NE(error.find("Point 3"), std::string::npos) << error;
  EXPECT_NE(error.find(GetParam().says), std::string::npos) << error;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (std::isnan(before[i])) {
      EXPECT_TRUE(std::isnan(t[i]));
    } else {
      EXPECT_EQ(t[i], before[i]);
    }
  }
  TimeConversionResult r = ConvertTimes(before, c);
  EXPECT_EQ(r.badPoint, 3u);
  EXPECT_TRUE(r.t.empty());
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Table, RefusalTest,
    ::testing::Values(
        RefusalCase{TimeScale::UTC, TimeTarget::BJD_TDB, kNaN, "not a finite"},
        RefusalCase{TimeScale::UTC, TimeTarget::BJD_TDB, kInf, "not a finite"},
        RefusalCase{TimeScale::UTC, TimeTarget::BJD_TDB, 36933.5, "1960"},  // 1959-12-31
        RefusalCase{TimeScale::TT, TimeTarget::HJD_UTC, 36933.5, "1960"},
        RefusalCase{TimeScale::TDB, TimeTarget::JD_UTC, 30000.0, "1960"},
        RefusalCase{TimeScale::UTC, TimeTarget::BJD_TDB, 2459000.5, "2200"},  // JD read as MJD
        RefusalCase{TimeScale::TT, TimeTarget::BJD_TDB, -30000.0, "1800"}));

TEST(ConvertTimes, TtBefore1960NeedsNoUtcForBjdAtTheGeocentre) {
  std::vector<double> t{33000.0};  // 1948
  TimeConversionResult r =
      ConvertTimes(t, Conversion(TimeScale::TT, TimePlace::GEO, TimeTarget::BJD_TDB));
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_LT(std::abs(r.t[0] - t[0]) * kDay, 510.0);
}

TEST(ConvertTimes, StarOrObservatoryOutOfRangeIsRefused) {
  std::vector<double> t{58000.0};
  TimeConversion c = Conversion(TimeScale::UTC, TimePlace::GEO, TimeTarget::BJD_TDB);
  c.star.raDeg = 361.0;
  EXPECT_EQ(ConvertTimesInPlace(t, c).rfind("Right ascension:", 0), 0u);
  c.star = {10.0, -90.5};
  EXPECT_EQ(ConvertTimesInPlace(t, c).rfind("Declination:", 0), 0u);
  c.star = {10.0, kNaN};
  EXPECT_EQ(ConvertTimesInPlace(t, c).rfind("Declination:", 0), 0u);
  c.star = {10.0, 10.0};
  c.observatory = Observatory{0.0, 91.0, 0.0};
  EXPECT_EQ(ConvertTimesInPlace(t, c).rfind("Latitude:", 0), 0u);
  EXPECT_EQ(t[0], 58000.0);
}

TEST(ConvertTimes, NoTimesIsNoWork) {
  TimeConversionResult r = ConvertTimes(
      std::vector<double>{}, Conversion(TimeScale::UTC, TimePlace::GEO, TimeTarget::BJD_TDB));
  EXPECT_TRUE(r.ok());
  EXPECT_TRUE(r.t.empty());
}

}  // namespace
}  // namespace teril

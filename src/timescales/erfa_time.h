// Thin wrappers around the few ERFA routines the time-system conversions
// need. This is the one file of the program that includes <erfa.h>: every
// other part reaches ERFA through the functions below.
//
// Dates are two-part Julian dates (d1 + d2), apportioned in any way; the
// precision is best when d1 holds a large round part (a reference such as
// 2400000.5) and d2 the small remainder. The routines follow ERFA (the
// IAU's SOFA models): the leap-second table of eraDat, the Fairhead &
// Bretagnon (1990, A&A 229, 240) series of eraDtdb and the Bretagnon &
// Francou based model of eraEpv00 (Earth's position to a few km,
// 1900-2100).
#pragma once

#include <array>

namespace teril::erfa {

struct TwoPartDate {
  double d1 = 0.0;
  double d2 = 0.0;
};

using Vector3 = std::array<double, 3>;
using Matrix3 = std::array<Vector3, 3>;

// Seconds of light time over one astronomical unit (ERFA_AULT).
extern const double kAuLightTimeSeconds;
// Metres in one astronomical unit (ERFA_DAU).
extern const double kAuMetres;
// Seconds per day (ERFA_DAYSEC).
extern const double kSecondsPerDay;
// TT - TAI in seconds (32.184 s).
extern const double kTtMinusTaiSeconds;

// UTC -> TAI (eraUtctai). `utc` is a quasi Julian date: on a day with a
// leap second the day is 86401 s long. Returns false for dates before
// 1960, where UTC has no leap-second table, and for dates ERFA refuses;
// beyond the table's end the last offset holds.
bool UtcToTai(TwoPartDate utc, TwoPartDate& tai);
// TAI -> UTC (eraTaiutc); false as for UtcToTai.
bool TaiToUtc(TwoPartDate tai, TwoPartDate& utc);
// TAI -> TT (eraTaitt): TT = TAI + 32.184 s.
TwoPartDate TaiToTt(TwoPartDate tai);
// TT -> TAI (eraTttai).
TwoPartDate TtToTai(TwoPartDate tt);

// TDB - TT in seconds (eraDtdb) at the date `tdb` (TT may stand in for it),
// for an observer at east longitude `elongRad` whose distance from the
// Earth's spin axis is `uKm` and north of the equatorial plane `vKm`, at
// the UT1 time of day `ut1DayFraction` (0..1). u = v = 0 gives the
// geocentric value. The series is good to 3 ns over 1950-2050 against
// numerical ephemerides, and degrades slowly outside.
double TdbMinusTt(TwoPartDate tdb, double ut1DayFraction, double elongRad, double uKm, double vKm);

// The Earth's heliocentric and barycentric position (au) and velocity
// (au/day) in the BCRS (axes of the ICRS, J2000 equator) at the date `tdb`
// (eraEpv00).
struct EarthState {
  Vector3 helioPosition{};
  Vector3 helioVelocity{};
  Vector3 baryPosition{};
  Vector3 baryVelocity{};
};
EarthState EarthPositionVelocity(TwoPartDate tdb);

// Geocentric rectangular position (metres, terrestrial frame) of a place at
// east longitude and geodetic latitude (radians) and height above the WGS84
// ellipsoid (metres) (eraGd2gc). Returns false for an impossible latitude or
// height.
bool GeodeticToGeocentric(double elongRad, double latRad, double heightM, Vector3& xyz);

// The Earth rotation angle (radians, 0..2pi) at the date `ut1` (eraEra00).
double EarthRotationAngle(TwoPartDate ut1);

// The celestial-to-intermediate matrix at the date `tt` (eraC2i00b: IAU 2000
// precession, IAU 2000B nutation): v(CIRS) = M v(GCRS).
Matrix3 CelestialToIntermediate(TwoPartDate tt);

}  // namespace teril::erfa

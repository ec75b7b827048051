// Converting a column of times between JD (UTC, TT or TDB at the
// observer), HJD and BJD, computed with ERFA (through erfa_time.h).
//
// The states. A time t with reference offset R is the Julian date
// J = R + t. Its scale (UTC, TT, TDB) and place (GEO, HEL, BAR) say what J
// counts:
//   GEO  J = the moment the light reached the observer (the geocentre when
//        no observatory is given), in the scale;
//   HEL  J = that moment + D_HEL, the light time from the Sun's centre;
//   BAR  J = that moment + D_BAR, the light time from the barycentre.
//   BJD_TDB = (TDB, BAR), HJD_UTC = (UTC, HEL), JD_UTC = (UTC, GEO).
//
// The formulas. With n the unit vector to the star (J2000 right ascension
// and declination), r the geocentre's position relative to the Sun or the
// barycentre (au, eraEpv00 at TDB) and r_obs the observatory's offset from
// the geocentre (eraGd2gc on WGS84, turned by the Earth rotation angle at
// UT1 ~ UTC and the IAU 2000 precession-nutation):
//   D_P  = (r + r_obs) . n * 499.004784 s/au                 (Roemer delay)
//   TAI  = UTC + (TAI - UTC)   ERFA's leap-second table (eraUtctai), with
//                              the rate offsets of UTC before 1972
//   TT   = TAI + 32.184 s
//   TDB  = TT + (TDB - TT)     eraDtdb (Fairhead & Bretagnon 1990), with
//                              the topocentric terms when an observatory
//                              is given
//   BJD_TDB = JD_TDB + D_BAR         HJD_UTC = JD_UTC + D_HEL
// (Eastman, Siverd & Gaudi 2010, PASP 122, 935, eq. 1-3.) HJD keeps the
// UTC scale and the Sun's centre, as it was defined; it differs from
// BJD_TDB by TDB - UTC (69 s in 2017) plus the Sun's offset from the
// barycentre seen along n (up to about 4 s).
//
// Each conversion goes: input -> the moment at the observer, in UTC, TT
// and TDB -> the target. From HEL or BAR the observer's moment is found by
// iteration, t_obs = J - D_P(t_obs), which gains four orders of magnitude
// a step (D_P changes by at most v/c ~ 1e-4 s per s) and stops below
// 1e-11 d; from TDB, TT = TDB - (TDB - TT)(TT) converges the same way.
// So every way has its way back: JD_UTC -> BJD_TDB -> JD_UTC (or via
// HJD_UTC) returns the times to within 1e-10 d for MJD-sized values; values
// of full Julian dates add their own rounding (5e-10 d).
//
// Neglected, and how large it is:
//   Shapiro delay in the Sun's field, 2GM/c^3 |ln(1 - cos th)| (th the
//     angle between the star and the Sun): 0 at 90 deg, under 20 us
//     beyond 30 deg from the Sun, about 0.09 ms at 1 deg;
//   proper motion: the direction is taken as fixed; the error is about
//     500 s x (mu in rad/yr) x (years from the position's epoch), 2.4 ms
//     for 0.1"/yr over 10 years, 48 ms for 1"/yr over 20 years (give the
//     position at the epoch of the observations for fast stars);
//   the curvature of the wavefront (parallax): at most 1.2 ms x (1 pc /
//     distance);
//   UT1 - UTC (under 0.9 s: the observatory moves 0.4 km, 1.4 us) and
//     polar motion (15 m, 0.05 us);
//   the interpolation of the Earth's ephemeris (earth_grid.h): under 1e-7 s.
// Times are kept as reference + value in doubles: a JD-sized value carries
// rounding of 5e-10 d (40 us); offsets such as BTJD keep it at 1e-11 d.
//
// Validity: Julian dates of the years 1800 to 2200 (the ephemeris is
// fitted to 1900-2100 and degrades slowly outside). UTC exists from 1960:
// a conversion that needs UTC (a UTC input, an HJD_UTC or JD_UTC target,
// or an observatory, whose rotation is taken at UT1 ~ UTC) refuses earlier
// times.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "timescales/time_system.h"

namespace teril {

struct TimeConversionResult {
  std::vector<double> t;     // the converted times (empty when refused)
  std::string error;         // why the conversion was refused; empty when done
  std::size_t badPoint = 0;  // the number (1 = t[0]) of the point refused
  bool ok() const { return error.empty(); }
};

// Converts the times t[0..n-1] (values in conversion.referenceNow, scale
// scaleNow, place placeNow) to conversion.target, as values in
// referenceAfter. Refuses, with a message and no times, when the star's
// position or the observatory is out of range, when a time is not finite,
// lies outside the years 1800-2200, or lies before 1960 where UTC is
// needed; the message names the first such point by its number (t[0] is
// point 1) and its value. Works on up to `threads` threads.
TimeConversionResult ConvertTimes(std::span<const double> t, const TimeConversion& conversion,
                                  int threads = 2);

// The same in place: returns the message and leaves every time as it was
// when refused; returns an empty string when done.
std::string ConvertTimesInPlace(std::span<double> t, const TimeConversion& conversion,
                                int threads = 2);

}  // namespace teril

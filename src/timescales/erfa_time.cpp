#include "timescales/erfa_time.h"

#include <erfa.h>
#include <erfam.h>

namespace teril::erfa {

const double kAuLightTimeSeconds = ERFA_AULT;
const double kAuMetres = ERFA_DAU;
const double kSecondsPerDay = ERFA_DAYSEC;
const double kTtMinusTaiSeconds = ERFA_TTMTAI;

namespace {
// 1960-01-01: UTC has no defined offset from TAI before it. ERFA's status
// does not always say so (the day before 1960 borrows the status of the
// next day), so the date itself is checked.
constexpr double kFirstUtcJd = 2436934.5;
}  // namespace

bool UtcToTai(TwoPartDate utc, TwoPartDate& tai) {
  if (!(utc.d1 + utc.d2 >= kFirstUtcJd)) return false;
  // Status 1 ("dubious year") remains for dates beyond the table's end,
  // where the last offset is kept.
  return eraUtctai(utc.d1, utc.d2, &tai.d1, &tai.d2) >= 0;
}

bool TaiToUtc(TwoPartDate tai, TwoPartDate& utc) {
  if (eraTaiutc(tai.d1, tai.d2, &utc.d1, &utc.d2) < 0) return false;
  return utc.d1 + utc.d2 >= kFirstUtcJd;
}

TwoPartDate TaiToTt(TwoPartDate tai) {
  TwoPartDate tt;
  eraTaitt(tai.d1, tai.d2, &tt.d1, &tt.d2);
  return tt;
}

TwoPartDate TtToTai(TwoPartDate tt) {
  TwoPartDate tai;
  eraTttai(tt.d1, tt.d2, &tai.d1, &tai.d2);
  return tai;
}

double TdbMinusTt(TwoPartDate tdb, double ut1DayFraction, double elongRad, double uKm, double vKm) {
  return eraDtdb(tdb.d1, tdb.d2, ut1DayFraction, elongRad, uKm, vKm);
}

EarthState EarthPositionVelocity(TwoPartDate tdb) {
  double pvh[2][3];
  double pvb[2][3];
  // Status 1 only warns that the date lies outside 1900-2100; the caller
  // limits the dates it accepts.
  eraEpv00(tdb.d1, tdb.d2, pvh, pvb);
  EarthState s;
  for (int i = 0; i < 3; ++i) {
    s.helioPosition[i] = pvh[0][i];
    s.helioVelocity[i] = pvh[1][i];
    s.baryPosition[i] = pvb[0][i];
    s.baryVelocity[i] = pvb[1][i];
  }
  return s;
}

bool GeodeticToGeocentric(double elongRad, double latRad, double heightM, Vector3& xyz) {
  double out[3];
  if (eraGd2gc(ERFA_WGS84, elongRad, latRad, heightM, out) != 0) return false;
  xyz = {out[0], out[1], out[2]};
  return true;
}

double EarthRotationAngle(TwoPartDate ut1) { return eraEra00(ut1.d1, ut1.d2); }

Matrix3 CelestialToIntermediate(TwoPartDate tt) {
  double r[3][3];
  eraC2i00b(tt.d1, tt.d2, r);
  Matrix3 m;
  for (int i = 0; i < 3; ++i) m[i] = {r[i][0], r[i][1], r[i][2]};
  return m;
}

}  // namespace teril::erfa

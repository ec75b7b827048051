#include "timescales/time_conversion.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <optional>

#include "base/numfmt.h"
#include "numeric/threads.h"
#include "timescales/earth_grid.h"
#include "timescales/erfa_time.h"

namespace teril {
namespace {

constexpr double kMjdZero = 2400000.5;
constexpr double kFirstUtcMjd = 36934.0;  // 1960-01-01
constexpr double kFirstJd = 2378496.5;    // 1800-01-01
constexpr double kLastJd = 2524593.5;     // 2200-01-01
constexpr double kGridMargin = 0.01;      // days: light time 0.006 d + TT - UTC
constexpr double kConverged = 1e-11;      // days
constexpr int kMaxSteps = 8;
constexpr std::size_t kChunk = 8192;

enum class PointFault { None, BeforeUtc };

// TAI - UTC through one UTC day is offset0 + slope * (fraction of the day):
// eraUtctai stretches the day that ends in a leap second and, before 1972,
// applies UTC's rate offset, both linear within the day. One day is read
// from ERFA and reused for all the times that fall in it.
struct UtcDay {
  long mjd = LONG_MIN;
  double offset0 = 0.0;  // days
  double slope = 0.0;
};

struct Context {
  EarthGrid::Cursor cursor;
  UtcDay day;
};

struct Observer {
  double utc = 0.0;  // values relative to the reference offset
  double tt = 0.0;
  double tdb = 0.0;
};

class Converter {
 public:
  Converter(const TimeConversion& c, const EarthGrid& grid)
      : c_(c),
        grid_(grid),
        base_(c.referenceNow.offset),
        mjdBase_(c.referenceNow.offset - kMjdZero),
        epochBase_(c.referenceNow.offset - EarthGrid::kEpoch),
        needUtc_(c.scaleNow == TimeScale::UTC || c.target != TimeTarget::BJD_TDB ||
                 c.observatory.has_value()) {}

  PointFault Convert(double t, double& out, Context& ctx) const {
    Observer o;
    double obs = t;
    if (c_.placeNow == TimePlace::GEO) {
      if (!AtObserver(obs, o, ctx)) return PointFault::BeforeUtc;
    } else {
      for (int step = 0; step < kMaxSteps; ++step) {
        if (!AtObserver(obs, o, ctx)) return PointFault::BeforeUtc;
        double next = t - Delay(c_.placeNow, o, ctx) / erfa::kSecondsPerDay;
        bool done = std::abs(next - obs) < kConverged;
        obs = next;
        if (done) break;
      }
      if (!AtObserver(obs, o, ctx)) return PointFault::BeforeUtc;
    }
    switch (c_.target) {
      case TimeTarget::BJD_TDB:
        out = o.tdb + Delay(TimePlace::BAR, o, ctx) / erfa::kSecondsPerDay;
        break;
      case TimeTarget::HJD_UTC:
        out = o.utc + Delay(TimePlace::HEL, o, ctx) / erfa::kSecondsPerDay;
        break;
      case TimeTarget::JD_UTC:
        out = o.utc;
        break;
    }
    return PointFault::None;
  }

 private:
  double Days(double value) const { return epochBase_ + value; }

  double DayFraction(double value) const {
    double mjd = mjdBase_ + value;
    return (mjdBase_ - std::floor(mjd)) + value;
  }

  bool ReadDay(double value, UtcDay& day) const {
    double mjd = std::floor(mjdBase_ + value);
    if (mjd < kFirstUtcMjd) return false;
    long m = static_cast<long>(mjd);
    if (m == day.mjd) return true;
    erfa::TwoPartDate start;
    erfa::TwoPartDate noon;
    if (!erfa::UtcToTai({kMjdZero, mjd}, start) || !erfa::UtcToTai({kMjdZero, mjd + 0.5}, noon))
      return false;
    double offset0 = (start.d1 - kMjdZero) + (start.d2 - mjd);
    double offset12 = (noon.d1 - kMjdZero) + (noon.d2 - (mjd + 0.5));
    day = {m, offset0, (offset12 - offset0) / 0.5};
    return true;
  }

  bool UtcToTt(double utc, double& tt, Context& ctx) const {
    if (!ReadDay(utc, ctx.day)) return false;
    double taiMinusUtc = ctx.day.offset0 + ctx.day.slope * DayFraction(utc);
    tt = utc + taiMinusUtc + erfa::kTtMinusTaiSeconds / erfa::kSecondsPerDay;
    return true;
  }

  bool TtToUtc(double tt, double& utc, Context& ctx) const {
    double tai = tt - erfa::kTtMinusTaiSeconds / erfa::kSecondsPerDay;
    utc = tai;
    for (int step = 0; step < kMaxSteps; ++step) {
      if (!ReadDay(utc, ctx.day)) return false;
      double next = tai - (ctx.day.offset0 + ctx.day.slope * DayFraction(utc));
      bool done = std::abs(next - utc) < 1e-14;
      utc = next;
      if (done) break;
    }
    return ReadDay(utc, ctx.day);
  }

  // The observer's moment `value` in the scale of the input, in all three
  // scales. UT1 is taken as UTC for the topocentric terms.
  bool AtObserver(double value, Observer& o, Context& ctx) const {
    switch (c_.scaleNow) {
      case TimeScale::UTC:
        o.utc = value;
        if (!UtcToTt(value, o.tt, ctx)) return false;
        break;
      case TimeScale::TT:
        o.tt = value;
        if (needUtc_ && !TtToUtc(value, o.utc, ctx)) return false;
        break;
      case TimeScale::TDB: {
        o.tdb = value;
        double tt = value - grid_.TdbMinusTt(Days(value), DayFraction(value), ctx.cursor) /
                                erfa::kSecondsPerDay;
        if (needUtc_ && !TtToUtc(tt, o.utc, ctx)) return false;
        double ut = needUtc_ ? DayFraction(o.utc) : DayFraction(tt);
        o.tt = value - grid_.TdbMinusTt(Days(tt), ut, ctx.cursor) / erfa::kSecondsPerDay;
        if (!needUtc_) o.utc = o.tt;
        return true;
      }
    }
    if (!needUtc_) o.utc = o.tt;
    double ut = DayFraction(o.utc);
    o.tdb = o.tt + grid_.TdbMinusTt(Days(o.tt), ut, ctx.cursor) / erfa::kSecondsPerDay;
    return true;
  }

  double Delay(TimePlace place, const Observer& o, Context& ctx) const {
    double era = c_.observatory ? erfa::EarthRotationAngle({base_, o.utc}) : 0.0;
    return grid_.Roemer(place, Days(o.tdb), era, ctx.cursor);
  }

  const TimeConversion& c_;
  const EarthGrid& grid_;
  double base_;
  double mjdBase_;
  double epochBase_;
  bool needUtc_;
};

std::string PointText(std::size_t number, double t) {
  return "Point " + std::to_string(number) + ": t = " + General(t);
}

std::optional<std::string> CheckPosition(const TimeConversion& c) {
  const SkyPosition& s = c.star;
  if (!(s.raDeg >= 0.0 && s.raDeg <= 360.0))
    return "Right ascension: " + General(s.raDeg) + " is outside 0..360 degrees";
  if (!(s.decDeg >= -90.0 && s.decDeg <= 90.0))
    return "Declination: " + General(s.decDeg) + " is outside -90..90 degrees";
  if (c.observatory) {
    const Observatory& o = *c.observatory;
    if (!(o.longitudeDeg >= -180.0 && o.longitudeDeg <= 360.0))
      return "Longitude: " + General(o.longitudeDeg) + " is outside -180..360 degrees";
    if (!(o.latitudeDeg >= -90.0 && o.latitudeDeg <= 90.0))
      return "Latitude: " + General(o.latitudeDeg) + " is outside -90..90 degrees";
    if (!(o.heightM >= -1000.0 && o.heightM <= 10000.0))
      return "Height: " + General(o.heightM) + " is outside -1000..10000 m";
  }
  if (!std::isfinite(c.referenceNow.offset)) return "Reference now: not a finite number";
  if (!std::isfinite(c.referenceAfter.offset)) return "Reference after: not a finite number";
  return std::nullopt;
}

}  // namespace

TimeConversionResult ConvertTimes(std::span<const double> t, const TimeConversion& c, int threads) {
  TimeConversionResult result;
  if (std::optional<std::string> why = CheckPosition(c)) {
    result.error = *why;
    return result;
  }
  LineOfSight sight;
  if (!LineOfSight::Make(c.star, c.observatory, sight)) {
    result.error = "Latitude: the observatory cannot be placed on the Earth";
    return result;
  }
  const double base = c.referenceNow.offset;
  EarthGrid grid(sight);
  for (std::size_t i = 0; i < t.size(); ++i) {
    double jd = base + t[i];
    if (!std::isfinite(t[i])) {
      result.error = PointText(i + 1, t[i]) + " is not a finite number";
    } else if (!(jd >= kFirstJd && jd < kLastJd)) {
      result.error = PointText(i + 1, t[i]) + " is JD " + General(jd) +
                     ", outside the years 1800 to 2200 that the conversion covers";
    }
    if (!result.error.empty()) {
      result.badPoint = i + 1;
      return result;
    }
    grid.Need((base - EarthGrid::kEpoch) + t[i], kGridMargin);
  }
  grid.Compute(threads);

  Converter converter(c, grid);
  const double shift = base - c.referenceAfter.offset;
  std::vector<double> out(t.size());
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> firstBad{t.size()};
  RunOnThreads(threads, [&](int) {
    Context ctx;
    for (;;) {
      std::size_t begin = next.fetch_add(kChunk);
      if (begin >= t.size()) return;
      std::size_t end = std::min(begin + kChunk, t.size());
      for (std::size_t i = begin; i < end; ++i) {
        double value = 0.0;
        if (converter.Convert(t[i], value, ctx) != PointFault::None) {
          std::size_t seen = firstBad.load();
          while (i < seen && !firstBad.compare_exchange_weak(seen, i)) {
          }
          break;
        }
        out[i] = shift + value;
      }
    }
  });
  if (std::size_t bad = firstBad.load(); bad < t.size()) {
    result.badPoint = bad + 1;
    result.error = PointText(bad + 1, t[bad]) + " lies before 1960, where UTC is not defined";
    return result;
  }
  result.t = std::move(out);
  return result;
}

std::string ConvertTimesInPlace(std::span<double> t, const TimeConversion& conversion,
                                int threads) {
  TimeConversionResult r = ConvertTimes(t, conversion, threads);
  if (!r.ok()) return r.error;
  std::copy(r.t.begin(), r.t.end(), t.begin());
  return {};
}

}  // namespace teril

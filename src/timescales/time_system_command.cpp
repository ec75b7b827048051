#include "timescales/time_system_command.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "plot/view.h"
#include "timescales/time_conversion.h"
#include "timescales/time_header.h"

namespace teril {
namespace {

constexpr const char* kDialogName = "TimeSystem";
constexpr const char* kCaption = "Time system";
// 1e-6 d (0.09 s) stays visible in the printed times.
constexpr int kMinTimeDecimals = 6;

// The remembered fields belong to the file wherever it was opened from.
std::string FileKey(const Engine& e) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(e.run.inputFile, ec);
  return ec ? e.run.inputFile : p.lexically_normal().string();
}

std::string SystemName(TimeScale scale, TimePlace place) {
  const char* prefix = place == TimePlace::HEL ? "HJD_" : place == TimePlace::BAR ? "BJD_" : "JD_";
  return prefix + std::string(TimeScaleName(scale));
}
std::string SystemName(const TimeSystem& s) { return SystemName(s.scale, s.place); }
std::string WithReference(const TimeSystem& s) {
  return SystemName(s) + " (reference " + FormatTimeReference(s.reference) + ")";
}

TimeSystem NowOf(const TimeConversion& c) { return {c.referenceNow, c.scaleNow, c.placeNow}; }
TimeSystem AfterOf(const TimeConversion& c) {
  return {c.referenceAfter, ScaleOf(c.target), PlaceOf(c.target)};
}

void Refuse(Engine& e, const std::string& why) {
  e.LogLine("!!! Time system refused: " + why + "; data unchanged");
  e.host.MessageBox("Time system: " + why);
}

std::vector<DialogField> DialogFieldsOf(const TimeSystemFields& f) {
  auto reference = [](const std::string& s) { return ParseTimeReference(s).has_value(); };
  const std::string referenceHint =
      "JD, MJD (JD - 2400000.5), RJD (JD - 2400000), BTJD (BJD - 2457000), "
      "BKJD (BJD - 2454833), or the offset that gives a Julian date";
  const std::string site = "; empty for the geocentre";
  return {
      {"Reference now", f.referenceNow, referenceHint, reference},
      {"Scale now", f.scaleNow, "UTC, TT or TDB",
       [](const std::string& s) { return ParseTimeScale(s).has_value(); }},
      {"Place now", f.placeNow, "GEO (the observer), HEL (the Sun), BAR (the barycentre)",
       [](const std::string& s) { return ParseTimePlace(s).has_value(); }},
      {"Convert to", f.convertTo, "BJD_TDB, HJD_UTC, or JD_UTC for the way back",
       [](const std::string& s) { return ParseTimeTarget(s).has_value(); }},
      {"Reference after", f.referenceAfter, referenceHint, reference},
      {"Right ascension", f.rightAscension, "J2000: degrees, or hours hh:mm:ss.s",
       [](const std::string& s) { return static_cast<bool>(ParseRightAscension(s)); }},
      {"Declination", f.declination, "J2000: degrees, or \u00b1dd:mm:ss",
       [](const std::string& s) { return static_cast<bool>(ParseDeclination(s)); }},
      {"Longitude", f.longitude, "of the observatory, degrees east" + site},
      {"Latitude", f.latitude, "of the observatory, degrees" + site},
      {"Height", f.height, "of the observatory, metres" + site},
  };
}

TimeSystemFields FieldsOfDialog(const std::vector<DialogField>& d) {
  return {d[0].value, d[1].value, d[2].value, d[3].value, d[4].value,
          d[5].value, d[6].value, d[7].value, d[8].value, d[9].value};
}

// The index of the first point whose t is not its time as loaded, 0 when
// t holds the times.
int FirstTransformedPoint(const DataSet& d) {
  for (int i = 1; i <= d.n; ++i)
    if (!(d.t[i] == d.t0[i])) return i;
  return 0;
}

std::string PlaceText(const TimeConversion& c) {
  if (!c.observatory) return "geocentre";
  const Observatory& o = *c.observatory;
  return "observatory " + General(o.longitudeDeg) + " deg E, " + General(o.latitudeDeg) + " deg, " +
         General(o.heightM) + " m";
}

// T0 keeps its value; when it does not count as the converted times do,
// the log says so and gives T0 as it would be in their system.
void LogEpochSystem(Engine& e, const TimeConversion& c, double tMiddle) {
  const double T0 = e.eph.epochT0;
  if (T0 == 0 || !std::isfinite(T0)) return;  // no epoch set
  const TimeSystem before = NowOf(c), after = AfterOf(c);
  const double Rb = before.reference.offset, Ra = after.reference.offset;
  bool bySize = false;
  if (Rb != Ra) {
    // The Julian dates of the converted times lie about Ra + tMiddle: T0
    // read with the old offset or with the new one, whichever lands nearer.
    bySize = std::fabs(Rb + T0 - (Ra + tMiddle)) < std::fabs(T0 - tMiddle);
    if (!bySize) return;
  } else if (before.scale == after.scale && before.place == after.place) {
    return;
  }
  std::string line =
      "LOG>> time system: T0 = " + General(T0) + " of the ephemeris is left as it is";
  line += bySize ? "; by its size it counts as " + WithReference(before) + ", not as " +
                       WithReference(after) + " as the times now do"
                 : "; if it is " + SystemName(before) + ", it is not " + SystemName(after) +
                       " as the times now are";
  const double one[1] = {T0};
  TimeConversionResult r = ConvertTimes(std::span<const double>(one, 1), c, 1);
  if (r.ok()) line += "; as " + SystemName(after) + " it would be " + Str(r.t[0], 1, 6);
  e.LogLine(line);
}

// The fields to remember: the "now" fields stay those of the file's own
// times once a conversion has been made in this file run.
TimeSystemFields FieldsToRemember(const Engine& e, const std::string& key,
                                  const TimeSystemFields& typed) {
  TimeSystemFields f = typed;
  auto it = e.timeSystem.remembered.find(key);
  if (e.timeSystem.current && it != e.timeSystem.remembered.end()) {
    f.referenceNow = it->second.referenceNow;
    f.scaleNow = it->second.scaleNow;
    f.placeNow = it->second.placeNow;
  }
  return f;
}

}  // namespace

TimeSystemFields TimeSystemDialogFields(const Engine& e) {
  const TimeSystemState& s = e.timeSystem;
  auto it = s.remembered.find(FileKey(e));
  TimeSystemFields f =
      it != s.remembered.end() ? it->second : FieldsFromHeader(ReadTimeHeader(e.data.headerText));
  if (s.current) {
    f.referenceNow = FormatTimeReference(s.current->reference);
    f.scaleNow = TimeScaleName(s.current->scale);
    f.placeNow = TimePlaceName(s.current->place);
  }
  // Offer a conversion that changes the times.
  auto reference = ParseTimeReference(f.referenceNow);
  auto scale = ParseTimeScale(f.scaleNow);
  auto place = ParseTimePlace(f.placeNow);
  auto target = ParseTimeTarget(f.convertTo);
  auto after = ParseTimeReference(f.referenceAfter);
  if (reference && scale && place && target && after) {
    const TimeSystem now{*reference, *scale, *place};
    if (now.SameAs({*after, ScaleOf(*target), PlaceOf(*target)})) {
      const bool bjd = *scale == TimeScale::TDB && *place == TimePlace::BAR;
      f.convertTo = TimeTargetName(bjd ? TimeTarget::JD_UTC : TimeTarget::BJD_TDB);
    }
  }
  return f;
}

void RunTimeSystemCommand(Engine& e) {
  DataSet& d = e.data;
  if (d.n < 1) {
    Refuse(e, "no points are loaded");
    return;
  }
  if (int i = FirstTransformedPoint(d); i > 0) {
    Refuse(e, "t does not hold the times (point " + Str(static_cast<long long>(i)) + ", t=" +
                  General(d.t[i]) + ", as loaded " + General(d.t0[i]) + "); ^R gives t as loaded");
    return;
  }
  std::vector<DialogField> fields = DialogFieldsOf(TimeSystemDialogFields(e));
  if (!e.dialogs.EditFields(kDialogName, kCaption, fields)) return;
  const TimeSystemFields typed = FieldsOfDialog(fields);
  Parsed<TimeConversion> parsed = ParseTimeSystemFields(typed);
  if (!parsed) {
    Refuse(e, parsed.error);
    return;
  }
  const TimeConversion& c = *parsed.value;
  const TimeSystem now = NowOf(c), after = AfterOf(c);
  TimeSystemState& s = e.timeSystem;
  if (s.current && !s.current->SameAs(now)) {
    Refuse(e, "the times are " + WithReference(*s.current) + " since the last conversion, not " +
                  WithReference(now));
    return;
  }
  if (now.SameAs(after)) {
    Refuse(e, "the times are already " + WithReference(after));
    return;
  }

  TimeConversionResult r = ConvertTimes(std::span<const double>(d.t.data() + 1, d.n), c);
  if (!r.ok()) {
    Refuse(e, r.error);
    return;
  }
  double low = r.t[0], high = r.t[0];
  for (int i = 1; i <= d.n; ++i) {
    d.t[i] = d.t0[i] = r.t[i - 1];
    low = std::min(low, d.t[i]);
    high = std::max(high, d.t[i]);
  }
  d.tDecimals = std::max(d.tDecimals, kMinTimeDecimals);
  d.tWidth = std::max(d.tWidth, FitPrintWidth(d.tDecimals, low, high));

  e.LogLine("LOG>> time system: " + SystemName(now) + " -> " + SystemName(after) + ", reference " +
            FormatTimeReference(now.reference) + " -> " + FormatTimeReference(after.reference) +
            "; RA " + General(c.star.raDeg) + " deg, Dec " + General(c.star.decDeg) + " deg, " +
            PlaceText(c) + "; " + Str(static_cast<long long>(d.n)) + " points");
  LogEpochSystem(e, c, (low + high) / 2);

  const std::string key = FileKey(e);
  s.remembered[key] = FieldsToRemember(e, key, typed);
  s.current = after;
  e.run.modified = true;
  // A regression of the old times would give the O-C of other times.
  e.correlation.valid = false;
  e.console.InjectKey("R");
}

}  // namespace teril

#include "timescales/time_system.h"

#include <array>
#include <cctype>
#include <cmath>
#include <vector>

#include "base/numfmt.h"

namespace teril {
namespace {

struct NamedReference {
  std::string_view name;
  TimeReference::Kind kind;
  double offset;
};

constexpr std::array<NamedReference, 5> kNamedReferences{{
    {"JD", TimeReference::Kind::JD, 0.0},
    {"MJD", TimeReference::Kind::MJD, 2400000.5},
    {"RJD", TimeReference::Kind::RJD, 2400000.0},
    {"BTJD", TimeReference::Kind::BTJD, 2457000.0},
    {"BKJD", TimeReference::Kind::BKJD, 2454833.0},
}};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool EndsWithWord(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && SameWord(s.substr(s.size() - suffix.size()), suffix);
}

// Removes a trailing unit word; true when one was there.
bool StripUnit(std::string_view& s, std::initializer_list<std::string_view> units) {
  for (std::string_view u : units) {
    if (EndsWithWord(s, u)) {
      std::string_view rest = Trim(s.substr(0, s.size() - u.size()));
      // "12d" or "12 deg", but not a unit glued to nothing
      if (rest.empty()) return false;
      s = rest;
      return true;
    }
  }
  return false;
}

// "hh:mm:ss.s", "dd mm ss", "hh:mm.m": the magnitude (no sign) in the unit
// of the first part. Non-last parts must be whole numbers, minutes and
// seconds below 60.
std::optional<double> ParseSexagesimal(std::string_view s, std::string& why) {
  std::vector<std::string_view> parts;
  if (s.find(':') != std::string_view::npos) {
    // "hh:mm:ss": every colon separates two parts.
    for (std::size_t from = 0;;) {
      std::size_t colon = s.find(':', from);
      std::string_view part = Trim(
          s.substr(from, colon == std::string_view::npos ? std::string_view::npos : colon - from));
      if (part.empty()) {
        why = "a part is missing";
        return std::nullopt;
      }
      parts.push_back(part);
      if (colon == std::string_view::npos) break;
      from = colon + 1;
    }
  } else {
    std::size_t i = 0;
    while (i < s.size()) {
      while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
      std::size_t j = i;
      while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
      if (j > i) parts.push_back(s.substr(i, j - i));
      i = j;
    }
  }
  if (parts.empty() || parts.size() > 3) {
    why = "expected degrees or hh:mm:ss";
    return std::nullopt;
  }
  double value = 0.0;
  double scale = 1.0;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    std::string_view p = parts[k];
    if (p.front() == '+' || p.front() == '-') {
      why = "a sign may stand only in front";
      return std::nullopt;
    }
    std::optional<double> v = ParseNumber(p);
    if (!v || *v < 0.0) {
      why = "\"" + std::string(p) + "\" is not a number";
      return std::nullopt;
    }
    bool last = k + 1 == parts.size();
    if (!last && *v != std::floor(*v)) {
      why = "only the last part may have decimals";
      return std::nullopt;
    }
    if (k > 0 && *v >= 60.0) {
      why = "minutes and seconds must be below 60";
      return std::nullopt;
    }
    value += *v * scale;
    scale /= 60.0;
  }
  return value;
}

// A signed angle: "-12.5", "+05:30:00", "-00 30 00". `sexagesimal` tells
// whether parts were given.
std::optional<double> ParseAngle(std::string_view s, bool& sexagesimal, std::string& why) {
  s = Trim(s);
  sexagesimal = s.find_first_of(": \t") != std::string_view::npos;
  if (!sexagesimal) {
    std::optional<double> v = ParseNumber(s);
    if (!v) why = "\"" + std::string(s) + "\" is not a number";
    return v;
  }
  double sign = 1.0;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    if (s.front() == '-') sign = -1.0;
    s = Trim(s.substr(1));
  }
  std::optional<double> v = ParseSexagesimal(s, why);
  if (!v) return std::nullopt;
  return sign * *v;
}

Parsed<double> Fail(std::string_view field, const std::string& why) {
  return {std::nullopt, std::string(field) + ": " + why};
}

}  // namespace

TimeReference TimeReference::Named(Kind kind) {
  for (const NamedReference& r : kNamedReferences) {
    if (r.kind == kind) return {kind, r.offset};
  }
  return {};
}

TimeReference TimeReference::FromOffset(double offset) { return {Kind::Offset, offset}; }

std::optional<TimeReference> ParseTimeReference(std::string_view text) {
  text = Trim(text);
  for (const NamedReference& r : kNamedReferences) {
    if (SameWord(text, r.name)) return TimeReference{r.kind, r.offset};
  }
  std::optional<double> v = ParseNumber(text);
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return TimeReference::FromOffset(*v);
}

std::string FormatTimeReference(const TimeReference& reference) {
  for (const NamedReference& r : kNamedReferences) {
    if (r.kind == reference.kind) return std::string(r.name);
  }
  return RoundTrip(reference.offset);
}

TimeReference ReferenceForOffset(double offset) {
  for (const NamedReference& r : kNamedReferences) {
    if (r.offset == offset) return {r.kind, r.offset};
  }
  return TimeReference::FromOffset(offset);
}

std::optional<TimeScale> ParseTimeScale(std::string_view text) {
  text = Trim(text);
  for (TimeScale s : {TimeScale::UTC, TimeScale::TT, TimeScale::TDB}) {
    if (SameWord(text, TimeScaleName(s))) return s;
  }
  return std::nullopt;
}

std::string_view TimeScaleName(TimeScale scale) {
  switch (scale) {
    case TimeScale::UTC:
      return "UTC";
    case TimeScale::TT:
      return "TT";
    case TimeScale::TDB:
      return "TDB";
  }
  return "";
}

std::optional<TimePlace> ParseTimePlace(std::string_view text) {
  text = Trim(text);
  for (TimePlace p : {TimePlace::GEO, TimePlace::HEL, TimePlace::BAR}) {
    if (SameWord(text, TimePlaceName(p))) return p;
  }
  return std::nullopt;
}

std::string_view TimePlaceName(TimePlace place) {
  switch (place) {
    case TimePlace::GEO:
      return "GEO";
    case TimePlace::HEL:
      return "HEL";
    case TimePlace::BAR:
      return "BAR";
  }
  return "";
}

std::optional<TimeTarget> ParseTimeTarget(std::string_view text) {
  std::string word(Trim(text));
  for (char& c : word) {
    if (c == ' ' || c == '-') c = '_';
  }
  for (TimeTarget t : {TimeTarget::BJD_TDB, TimeTarget::HJD_UTC, TimeTarget::JD_UTC}) {
    if (SameWord(word, TimeTargetName(t))) return t;
  }
  return std::nullopt;
}

std::string_view TimeTargetName(TimeTarget target) {
  switch (target) {
    case TimeTarget::BJD_TDB:
      return "BJD_TDB";
    case TimeTarget::HJD_UTC:
      return "HJD_UTC";
    case TimeTarget::JD_UTC:
      return "JD_UTC";
  }
  return "";
}

TimeScale ScaleOf(TimeTarget target) {
  return target == TimeTarget::BJD_TDB ? TimeScale::TDB : TimeScale::UTC;
}

TimePlace PlaceOf(TimeTarget target) {
  switch (target) {
    case TimeTarget::BJD_TDB:
      return TimePlace::BAR;
    case TimeTarget::HJD_UTC:
      return TimePlace::HEL;
    case TimeTarget::JD_UTC:
      return TimePlace::GEO;
  }
  return TimePlace::GEO;
}

Parsed<double> ParseRightAscension(std::string_view text) {
  constexpr std::string_view kField = "Right ascension";
  std::string_view s = Trim(text);
  if (s.empty()) return Fail(kField, "empty");
  bool degrees = StripUnit(s, {"degrees", "deg", "\xC2\xB0", "d"});
  bool hours = !degrees && StripUnit(s, {"hours", "h"});
  bool sexagesimal = false;
  std::string why;
  std::optional<double> v = ParseAngle(s, sexagesimal, why);
  if (!v) return Fail(kField, why);
  if (*v < 0.0) return Fail(kField, "must not be negative");
  if (sexagesimal || hours) {
    if (degrees) return Fail(kField, "hh:mm:ss is in hours, not degrees");
    if (*v > 24.0) return Fail(kField, General(*v) + " h is outside 0..24 h");
    return {*v * 15.0, {}};
  }
  if (*v > 360.0) return Fail(kField, General(*v) + " is outside 0..360 degrees");
  return {*v, {}};
}

Parsed<double> ParseDeclination(std::string_view text) {
  constexpr std::string_view kField = "Declination";
  std::string_view s = Trim(text);
  if (s.empty()) return Fail(kField, "empty");
  StripUnit(s, {"degrees", "deg", "\xC2\xB0", "d"});
  bool sexagesimal = false;
  std::string why;
  std::optional<double> v = ParseAngle(s, sexagesimal, why);
  if (!v) return Fail(kField, why);
  if (*v < -90.0 || *v > 90.0) return Fail(kField, General(*v) + " is outside -90..90 degrees");
  return {*v, {}};
}

Parsed<std::optional<Observatory>> ParseObservatory(std::string_view longitude,
                                                    std::string_view latitude,
                                                    std::string_view height) {
  using Result = Parsed<std::optional<Observatory>>;
  longitude = Trim(longitude);
  latitude = Trim(latitude);
  height = Trim(height);
  if (longitude.empty() && latitude.empty() && height.empty()) {
    return Result{std::optional<Observatory>{}, {}};
  }
  struct Field {
    std::string_view name;
    std::string_view text;
    double lo, hi;
    std::string_view unit;
  };
  const std::array<Field, 3> fields{{{"Longitude", longitude, -180.0, 360.0, "degrees"},
                                     {"Latitude", latitude, -90.0, 90.0, "degrees"},
                                     {"Height", height, -1000.0, 10000.0, "m"}}};
  std::array<double, 3> values{};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    std::string_view s = f.text;
    if (s.empty()) {
      return Result{std::nullopt,
                    std::string(f.name) + ": empty (leave all three empty for the geocentre)"};
    }
    if (i < 2) {
      StripUnit(s, {"degrees", "deg", "\xC2\xB0", "d"});
    } else {
      StripUnit(s, {"m"});
    }
    bool sexagesimal = false;
    std::string why;
    std::optional<double> parsed = ParseAngle(s, sexagesimal, why);
    if (i == 2 && sexagesimal) {
      parsed.reset();
      why = "\"" + std::string(f.text) + "\" is not a number";
    }
    if (!parsed) return Result{std::nullopt, std::string(f.name) + ": " + why};
    const double v = parsed.value_or(0.0);
    if (v < f.lo || v > f.hi) {
      return Result{std::nullopt, std::string(f.name) + ": " + General(v) + " is outside " +
                                      General(f.lo) + ".." + General(f.hi) + " " +
                                      std::string(f.unit)};
    }
    values[i] = v;
  }
  return Result{Observatory{values[0], values[1], values[2]}, {}};
}

Parsed<TimeConversion> ParseTimeSystemFields(const TimeSystemFields& fields) {
  using Result = Parsed<TimeConversion>;
  auto fail = [](std::string_view field, std::string_view text, std::string_view expected) {
    return Result{std::nullopt, std::string(field) + ": \"" + std::string(Trim(text)) +
                                    "\" is not " + std::string(expected)};
  };
  constexpr std::string_view kReferences = "JD, MJD, RJD, BTJD, BKJD or a number";
  TimeConversion c;
  std::optional<TimeReference> now = ParseTimeReference(fields.referenceNow);
  if (!now) return fail("Reference now", fields.referenceNow, kReferences);
  c.referenceNow = *now;
  std::optional<TimeScale> scale = ParseTimeScale(fields.scaleNow);
  if (!scale) return fail("Scale now", fields.scaleNow, "UTC, TT or TDB");
  c.scaleNow = *scale;
  std::optional<TimePlace> place = ParseTimePlace(fields.placeNow);
  if (!place) return fail("Place now", fields.placeNow, "GEO, HEL or BAR");
  c.placeNow = *place;
  std::optional<TimeTarget> target = ParseTimeTarget(fields.convertTo);
  if (!target) return fail("Convert to", fields.convertTo, "BJD_TDB, HJD_UTC or JD_UTC");
  c.target = *target;
  std::optional<TimeReference> after = ParseTimeReference(fields.referenceAfter);
  if (!after) return fail("Reference after", fields.referenceAfter, kReferences);
  c.referenceAfter = *after;
  Parsed<double> ra = ParseRightAscension(fields.rightAscension);
  if (!ra) return Result{std::nullopt, ra.error};
  Parsed<double> dec = ParseDeclination(fields.declination);
  if (!dec) return Result{std::nullopt, dec.error};
  c.star = {*ra.value, *dec.value};
  Parsed<std::optional<Observatory>> site =
      ParseObservatory(fields.longitude, fields.latitude, fields.height);
  if (!site) return Result{std::nullopt, site.error};
  c.observatory = *site.value;
  return Result{c, {}};
}

TimeSystemFields FieldsOf(const TimeConversion& c) {
  TimeSystemFields f;
  f.referenceNow = FormatTimeReference(c.referenceNow);
  f.scaleNow = TimeScaleName(c.scaleNow);
  f.placeNow = TimePlaceName(c.placeNow);
  f.convertTo = TimeTargetName(c.target);
  f.referenceAfter = FormatTimeReference(c.referenceAfter);
  f.rightAscension = RoundTrip(c.star.raDeg);
  f.declination = RoundTrip(c.star.decDeg);
  if (c.observatory) {
    f.longitude = RoundTrip(c.observatory->longitudeDeg);
    f.latitude = RoundTrip(c.observatory->latitudeDeg);
    f.height = RoundTrip(c.observatory->heightM);
  }
  return f;
}

}  // namespace teril

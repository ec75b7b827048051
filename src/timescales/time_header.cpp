#include "timescales/time_header.h"

#include <array>
#include <cctype>
#include <vector>

#include "base/numfmt.h"

namespace teril {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Upper case, with blanks, underscores and dots dropped: "Right ascension"
// and "RIGHT_ASCENSION" and "R.A." meet as "RIGHTASCENSION" and "RA".
std::string KeyOf(std::string_view s) {
  std::string key;
  for (char c : s) {
    if (c == ' ' || c == '\t' || c == '_' || c == '.') continue;
    key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return key;
}

bool OneOf(const std::string& key, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names) {
    if (key == n) return true;
  }
  return false;
}

struct Kind {
  std::string_view name;
  double offset;
  TimePlace place;
};

// Longer names first, so that "BMJD" is not read as "B" + "MJD".
constexpr std::array<Kind, 9> kKinds{{
    {"BTJD", 2457000.0, TimePlace::BAR},
    {"BKJD", 2454833.0, TimePlace::BAR},
    {"HMJD", 2400000.5, TimePlace::HEL},
    {"BMJD", 2400000.5, TimePlace::BAR},
    {"MJD", 2400000.5, TimePlace::GEO},
    {"RJD", 2400000.0, TimePlace::GEO},
    {"HJD", 0.0, TimePlace::HEL},
    {"BJD", 0.0, TimePlace::BAR},
    {"JD", 0.0, TimePlace::GEO},
}};

bool StartsWithWord(std::string_view s, std::string_view w) {
  if (s.size() < w.size()) return false;
  for (std::size_t i = 0; i < w.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(s[i])) != w[i]) return false;
  }
  return true;
}

// "<kind>[_scale] [(-|+) number]" into the header's time fields.
bool ReadTimeValue(std::string_view v, TimeHeader& h) {
  v = Trim(v);
  const Kind* kind = nullptr;
  for (const Kind& k : kKinds) {
    if (StartsWithWord(v, k.name)) {
      kind = &k;
      break;
    }
  }
  if (!kind) return false;
  v = v.substr(kind->name.size());
  // The scale: "_TDB", " TDB", "(TDB)", " (TDB)".
  std::optional<TimeScale> scale;
  std::string_view rest = v;
  if (!rest.empty() && rest.front() == '_') rest.remove_prefix(1);
  rest = Trim(rest);
  bool paren = !rest.empty() && rest.front() == '(';
  if (paren) rest = Trim(rest.substr(1));
  for (TimeScale s : {TimeScale::TDB, TimeScale::UTC, TimeScale::TT}) {
    std::string_view name = TimeScaleName(s);
    if (StartsWithWord(rest, name) &&
        (rest.size() == name.size() ||
         !std::isalnum(static_cast<unsigned char>(rest[name.size()])))) {
      scale = s;
      rest = Trim(rest.substr(name.size()));
      break;
    }
  }
  if (paren) {
    if (!scale || rest.empty() || rest.front() != ')') return false;
    rest = Trim(rest.substr(1));
  }
  if (!scale) {
    // Anything glued to the kind that is not a scale ("JDX") is not ours.
    if (!v.empty() && std::isalnum(static_cast<unsigned char>(v.front()))) return false;
    rest = Trim(v);
  }
  double offset = kind->offset;
  if (!rest.empty()) {
    char sign = rest.front();
    if (sign != '-' && sign != '+') return false;
    std::optional<double> n = ParseNumber(rest.substr(1));
    if (!n) return false;
    offset += sign == '-' ? *n : -*n;
  }
  h.reference = ReferenceForOffset(offset);
  h.place = kind->place;
  h.scale = scale ? *scale : (kind->place == TimePlace::BAR ? TimeScale::TDB : TimeScale::UTC);
  return true;
}

std::optional<double> ReadNumberWithUnit(std::string_view v, std::string_view unit) {
  v = Trim(v);
  if (v.size() > unit.size()) {
    std::string_view tail = v.substr(v.size() - unit.size());
    if (KeyOf(tail) == KeyOf(unit)) v = Trim(v.substr(0, v.size() - unit.size()));
  }
  return ParseNumber(v);
}

}  // namespace

TimeHeader ReadTimeHeader(std::string_view text) {
  TimeHeader h;
  std::optional<double> lon, lat, height;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    line = Trim(line);
    if (line.rfind("//", 0) == 0) line.remove_prefix(2);
    while (!line.empty() && std::string_view("#%;!*").find(line.front()) != std::string_view::npos)
      line.remove_prefix(1);
    std::size_t sep = line.find_first_of("=:");
    if (sep == std::string_view::npos) continue;
    std::string key = KeyOf(line.substr(0, sep));
    std::string_view value = line.substr(sep + 1);
    if (OneOf(key, {"TIME", "TIMESYSTEM", "TIMEREFERENCE", "TIMESYS", "TIMEREF"})) {
      if (!h.reference) {
        TimeHeader t;
        if (ReadTimeValue(value, t)) {
          h.reference = t.reference;
          h.scale = t.scale;
          h.place = t.place;
        }
      }
    } else if (OneOf(key, {"RA", "RIGHTASCENSION", "RAOBJ", "RAJ2000", "ALPHA"})) {
      if (!h.raDeg) {
        if (Parsed<double> ra = ParseRightAscension(value)) h.raDeg = ra.value;
      }
    } else if (OneOf(key,
                     {"DEC", "DECL", "DECLINATION", "DECOBJ", "DEJ2000", "DECJ2000", "DELTA"})) {
      if (!h.decDeg) {
        if (Parsed<double> dec = ParseDeclination(value)) h.decDeg = dec.value;
      }
    } else if (OneOf(key, {"LONGITUDE", "LON", "LONG"})) {
      if (!lon) lon = ReadNumberWithUnit(value, "deg");
    } else if (OneOf(key, {"LATITUDE", "LAT"})) {
      if (!lat) lat = ReadNumberWithUnit(value, "deg");
    } else if (OneOf(key, {"HEIGHT", "ALTITUDE", "ELEVATION"})) {
      if (!height) height = ReadNumberWithUnit(value, "m");
    }
  }
  if (lon && lat && height) {
    Parsed<std::optional<Observatory>> site =
        ParseObservatory(RoundTrip(*lon), RoundTrip(*lat), RoundTrip(*height));
    if (site) h.observatory = *site.value;
  }
  return h;
}

std::string TimeHeaderLine(TimeScale scale, TimePlace place, const TimeReference& reference) {
  std::string kind = place == TimePlace::BAR ? "BJD" : place == TimePlace::HEL ? "HJD" : "JD";
  std::string line = "time = " + kind + "_" + std::string(TimeScaleName(scale));
  double offset = reference.offset;
  if (offset > 0) line += " - " + RoundTrip(offset);
  if (offset < 0) line += " + " + RoundTrip(-offset);
  return line;
}

std::string RightAscensionHeaderLine(double raDeg) { return "RA = " + RoundTrip(raDeg) + " deg"; }

std::string DeclinationHeaderLine(double decDeg) { return "Dec = " + RoundTrip(decDeg) + " deg"; }

TimeSystemFields FieldsFromHeader(const TimeHeader& h) {
  TimeConversion c;
  if (h.reference) c.referenceNow = *h.reference;
  if (h.scale) c.scaleNow = *h.scale;
  if (h.place) c.placeNow = *h.place;
  bool alreadyBjd = c.scaleNow == TimeScale::TDB && c.placeNow == TimePlace::BAR;
  c.target = alreadyBjd ? TimeTarget::JD_UTC : TimeTarget::BJD_TDB;
  c.referenceAfter = c.referenceNow;
  c.observatory = h.observatory;
  TimeSystemFields f = FieldsOf(c);
  f.rightAscension = h.raDeg ? RoundTrip(*h.raDeg) : std::string();
  f.declination = h.decDeg ? RoundTrip(*h.decDeg) : std::string();
  return f;
}

}  // namespace teril

// What a column of times means, and the fields of the "Time system"
// dialog that say how to convert it.
//
// A time is a number t; its Julian date is t + offset, where the offset is
// given by the reference (JD, MJD, ...). The Julian date counts in a time
// scale (UTC, TT, TDB) and refers to a place: the observer on the Earth
// (GEO), the centre of the Sun (HEL) or the barycentre of the Solar System
// (BAR). BJD_TDB is (TDB, BAR), the standard of eclipse timing (Eastman,
// Siverd & Gaudi 2010, PASP 122, 935); HJD_UTC is (UTC, HEL); JD_UTC is
// (UTC, GEO). The conversion itself is in time_conversion.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace teril {

enum class TimeScale { UTC, TT, TDB };
enum class TimePlace { GEO, HEL, BAR };
enum class TimeTarget { BJD_TDB, HJD_UTC, JD_UTC };

// A value or the reason there is none (a message that names the field).
template <class T>
struct Parsed {
  std::optional<T> value;
  std::string error;
  explicit operator bool() const { return value.has_value(); }
};

// The offset added to a time to give a Julian date.
struct TimeReference {
  enum class Kind { JD, MJD, RJD, BTJD, BKJD, Offset };
  Kind kind = Kind::JD;
  double offset = 0.0;  // days

  static TimeReference Named(Kind kind);           // JD 0, MJD 2400000.5, RJD 2400000,
                                                   // BTJD 2457000, BKJD 2454833
  static TimeReference FromOffset(double offset);  // Kind::Offset
  bool operator==(const TimeReference&) const = default;
};

// "JD", "MJD", "RJD", "BTJD", "BKJD" (any case) or a number, the offset
// itself ("2450000", "2400000.5"). Empty text, other words and non-finite
// numbers give nothing.
std::optional<TimeReference> ParseTimeReference(std::string_view text);
// The name of a named reference, else the offset in the shortest form
// that reads back to it.
std::string FormatTimeReference(const TimeReference& reference);
// The named reference whose offset is exactly `offset`, else FromOffset.
TimeReference ReferenceForOffset(double offset);

// "UTC", "TT", "TDB" (any case).
std::optional<TimeScale> ParseTimeScale(std::string_view text);
std::string_view TimeScaleName(TimeScale scale);
// "GEO", "HEL", "BAR" (any case).
std::optional<TimePlace> ParseTimePlace(std::string_view text);
std::string_view TimePlaceName(TimePlace place);
// "BJD_TDB", "HJD_UTC", "JD_UTC" (any case; a blank or "-" may stand for
// the underscore).
std::optional<TimeTarget> ParseTimeTarget(std::string_view text);
std::string_view TimeTargetName(TimeTarget target);
// The scale and place of the times a conversion gives.
TimeScale ScaleOf(TimeTarget target);
TimePlace PlaceOf(TimeTarget target);

// Right ascension in degrees (0 <= ra <= 360) from "123.456" (degrees,
// "deg", "d" or a degree sign may follow), "8.2304h" (decimal hours) or
// sexagesimal hours "08:13:49.4" (also with blanks between the parts;
// 0 <= hours <= 24, minutes and seconds below 60).
Parsed<double> ParseRightAscension(std::string_view text);
// Declination in degrees (-90..90) from "-12.34" (optionally "deg", "d",
// degree sign) or sexagesimal "-12:20:24.0" / "+05 30 00" (the sign
// applies to the whole angle, also for "-00:30:00").
Parsed<double> ParseDeclination(std::string_view text);

// The direction to the star, J2000 (ICRS) axes.
struct SkyPosition {
  double raDeg = 0.0;
  double decDeg = 0.0;
};

// An observatory on the WGS84 ellipsoid.
struct Observatory {
  double longitudeDeg = 0.0;  // east, -180..360
  double latitudeDeg = 0.0;   // geodetic, -90..90
  double heightM = 0.0;       // above the ellipsoid, -1000..10000
};

// The three observatory fields: all empty means the geocentre (no
// observatory); otherwise all three must be numbers in range.
Parsed<std::optional<Observatory>> ParseObservatory(std::string_view longitude,
                                                    std::string_view latitude,
                                                    std::string_view height);

// Everything the conversion needs.
struct TimeConversion {
  TimeReference referenceNow;
  TimeScale scaleNow = TimeScale::UTC;
  TimePlace placeNow = TimePlace::GEO;
  TimeTarget target = TimeTarget::BJD_TDB;
  TimeReference referenceAfter;
  SkyPosition star;
  std::optional<Observatory> observatory;  // nothing: the geocentre
};

// The fields of the "Time system" dialog as the user typed them, in the
// dialog's order.
struct TimeSystemFields {
  std::string referenceNow;    // "Reference now"
  std::string scaleNow;        // "Scale now"
  std::string placeNow;        // "Place now"
  std::string convertTo;       // "Convert to"
  std::string referenceAfter;  // "Reference after"
  std::string rightAscension;  // "Right ascension"
  std::string declination;     // "Declination"
  std::string longitude;       // "Longitude"
  std::string latitude;        // "Latitude"
  std::string height;          // "Height"
  bool operator==(const TimeSystemFields&) const = default;
};

// The conversion the fields describe, or a message naming the first field
// that is wrong ("Declination: ...").
Parsed<TimeConversion> ParseTimeSystemFields(const TimeSystemFields& fields);
// The fields that describe `conversion` (for remembering them; RA and Dec
// in degrees).
TimeSystemFields FieldsOf(const TimeConversion& conversion);

}  // namespace teril

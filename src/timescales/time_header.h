// What the header lines of a data file say about its times and its star,
// and the lines that say it.
//
// The lines read (keys and words in any case; a line may start with
// comment marks "#", "%", ";", "!", "*" or "//" and blanks; "=" or ":"
// separates the key from the value):
//
//   time = <system> [(- | +) <number>]
//     key: "time", "time system", "time reference", "timesys", "timeref"
//     <system>: <kind>[(_ | blank)<scale>] or <kind> "(" <scale> ")"
//       kinds JD, HJD, BJD (offset 0), MJD, HMJD, BMJD (2400000.5),
//       RJD (2400000), BTJD (BJD - 2457000), BKJD (BJD - 2454833);
//       H... is the place HEL, B... BAR, the rest GEO;
//       scale UTC, TT or TDB; without one, BAR kinds are TDB, others UTC.
//     "- 2457000" adds 2457000 to the offset ("+ x" subtracts x).
//     Examples: "time = BJD_TDB - 2457000", "time = JD", "time = HJD_UTC",
//     "# time: MJD", "time = BTJD", "time = JD (TT) - 2450000".
//   RA = <right ascension>
//     key: "RA", "R.A.", "right ascension", "RA_OBJ", "RAJ2000", "alpha"
//     value: degrees ("123.456", "123.456 deg"), decimal hours ("8.23 h")
//     or sexagesimal hours ("08:13:49.44", "08 13 49.44").
//   Dec = <declination>
//     key: "Dec", "Decl", "declination", "DEC_OBJ", "DEJ2000", "DECJ2000",
//     "delta"; value: degrees ("-12.34 deg") or "-12:20:24.0".
//   longitude = <degrees east>, latitude = <degrees>, height = <metres>
//     keys also "lon"/"long", "lat", "altitude"/"elevation"; all three
//     together give the observatory.
//
// Lines that match none of these, and values that do not parse, are
// passed over; the first good line of each kind counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "timescales/time_system.h"

namespace teril {

struct TimeHeader {
  std::optional<TimeReference> reference;
  std::optional<TimeScale> scale;
  std::optional<TimePlace> place;
  std::optional<double> raDeg;
  std::optional<double> decDeg;
  std::optional<Observatory> observatory;
};

// Reads the header lines `text` (LF, CR LF or CR between lines).
TimeHeader ReadTimeHeader(std::string_view text);

// The time line for times of `scale` and `place` in `reference`:
// "time = BJD_TDB - 2457000", "time = JD_UTC", "time = HJD_UTC - 2400000.5".
std::string TimeHeaderLine(TimeScale scale, TimePlace place, const TimeReference& reference);
// "RA = 123.456 deg", "Dec = -12.34 deg" (shortest exact form of the number).
std::string RightAscensionHeaderLine(double raDeg);
std::string DeclinationHeaderLine(double decDeg);

// The "Time system" dialog's fields as the header suggests them: the
// reference, scale and place it names (JD, UTC, GEO when it says nothing),
// "Convert to" BJD_TDB (JD_UTC when the times are BJD_TDB already),
// "Reference after" as now, RA and Dec in degrees (empty when not given),
// the observatory when given.
TimeSystemFields FieldsFromHeader(const TimeHeader& header);

}  // namespace teril

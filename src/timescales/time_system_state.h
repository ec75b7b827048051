// State of the time-system conversion of t ("Time system..." in the
// Transform menu) kept between its uses.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "timescales/time_system.h"

namespace teril {

// What a column of times is: J = reference.offset + t counts in `scale`
// and refers to `place`.
struct TimeSystem {
  TimeReference reference;
  TimeScale scale = TimeScale::UTC;
  TimePlace place = TimePlace::GEO;

  // The same times: same scale, same place and the same offset (a number
  // typed for a named reference counts as that reference).
  bool SameAs(const TimeSystem& other) const {
    return scale == other.scale && place == other.place &&
           reference.offset == other.reference.offset;
  }
};

struct TimeSystemState {
  // The system of t after a conversion made in this file run. Empty while
  // t holds the times as the file has them; the file's header lines or the
  // remembered fields say what those are.
  std::optional<TimeSystem> current;
  // The dialog's fields as last accepted for each data file (by its
  // absolute path), for the run of the program. Their "now" fields
  // describe the times as the file holds them, so that they fit the file
  // when it is opened again.
  std::map<std::string, TimeSystemFields> remembered;

  // A file opened or loaded again holds its own times.
  void StartFile() { current.reset(); }
};

}  // namespace teril

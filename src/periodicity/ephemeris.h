// The ephemeris t = T0 + P E + Q E^2 and NNH, the values kept in the
// settings file.
#pragma once

namespace teril {

// The ephemeris and the other values kept in the settings file.
struct Ephemeris {
  double epochT0 = 0;
  double period = 1;
  double frequency = 1;
  double Q = 0;
  int NNH = 8;
};

}  // namespace teril

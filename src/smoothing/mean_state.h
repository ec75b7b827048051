// State of the means and the histogram: the bin table of the last bin mean
// and the print decimals of t as the data file gave them.
#pragma once

#include <vector>

namespace teril {

// One bin of the bin mean: its count, mean argument, mean signal and the
// error of the mean (0 for fewer than two points).
struct MeanBin {
  int count = 0;
  double tMean = 0;
  double xMean = 0;
  double sigma = 0;
};

struct MeanState {
  // Bins 1..binsUsed of the last bin mean (index 0 unused); kept until the
  // next bin mean. Grows to the largest NNH used, never shrinks.
  std::vector<MeanBin> bins;
  int binsUsed = 0;
};

}  // namespace teril

// The trial frequencies read from the file "!" of the data folder and the
// one in use (stepped through by the keys of the phase mode).
#pragma once

#include <vector>

namespace teril {

struct TrialFrequencies {
  std::vector<double> frequencyList;  // up to 50 frequencies, 0 for unusable ones
  int frequencyIndex = 0;             // 1-based entry in use, 0 = none yet
};

}  // namespace teril

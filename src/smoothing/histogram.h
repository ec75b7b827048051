// Histogram of the signal of the visible points, with its moments.
//
// The bins run along the signal axis of the plot, from the value at the top
// of the frame (xMin) to the value at the bottom (xMax), whatever the
// orientation: with the larger values at the top (xMin > xMax) the bins
// follow descending x.
#pragma once

#include <string>
#include <vector>

#include "data/data_set.h"
#include "engine/fwd.h"
#include "plot/view_state.h"

namespace teril {

struct HistogramResult {
  int m = 0;                // number of bins
  std::vector<int> counts;  // bins 1..m (index 0 unused)
  int N = 0;                // points inside the bins
  int maxCount = 0;
  double mean = 0;       // mean x of the points inside the bins (0 when N = 0)
  double sigma = 0;      // sqrt(M2)
  double asymmetry = 0;  // M3 / (sqrt(M2) N M2), 0 when N M2 = 0
  double excess = -3;    // M4 / (M2 N M2) - 3, -3 when N M2 = 0
};

// Counts of the visible points (firstVisible..lastVisible with tMin <= t <=
// tMax) in m bins: b = trunc((x - xMin) f) + 1 with f = m / (xMax - xMin) /
// 1.000001, so that x = xMax still falls into bin m; points outside 1..m are
// not counted. With xMax = xMin only the points at that value are counted,
// in bin 1. The moments about the mean run over every visible point, also
// those outside the bins: M2 = sum d^2 / N (0 when N = 0), M3 = sum d^3,
// M4 = sum d^4 with d = x - mean. Precondition: m >= 1.
HistogramResult ComputeHistogram(const DataSet& d, const ViewState& v, int m);

// The outline of the histogram as text lines: lo_1 " 0", then for every bin
// lo_b count, hi_b count, hi_b " 0", with lo_b = xMin + (xMax - xMin)(b-1)/m
// and hi_b = xMin + (xMax - xMin) b/m, the values in width:decimals and the
// counts unpadded.
std::string HistogramOutline(const HistogramResult& h, double xMin, double xMax, int width,
                             int decimals);

// ("~}") The histogram with NNH bins lying on its side (counts growing to
// the left from column 630, each bar with its binomial error), the moments
// and the shape estimates in the status column, the outline appended to
// "_hist.dat"; then "Press any key to proceed..." and a wait. -> Window
Continuation HistogramKey(Engine& e);

}  // namespace teril

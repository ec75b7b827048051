// Folding a series on a run of trial frequencies into phase bins: the
// common step of phase dispersion minimisation, the analysis of variance
// and box least squares.
//
// The phase of a point is the fraction of f (t - tFirst), tFirst the
// earliest time, and its bin floor(phase * bins). Phases are kept as
// fixed-point fractions of 2^64, so that the step from one frequency to
// the next is one integer addition that wraps exactly at whole cycles:
// along a run of frequencies the phase drifts only by the rounding of the
// step (below 1e-16 cycles per step times the run's length).
#pragma once

#include <cstdint>
#include <vector>

#include "periodicity/periodogram.h"

namespace teril::phase_detail {

// The points as the folding needs them.
struct FoldSeries {
  std::vector<double> tau;  // t - tFirst, 0 or more
  std::vector<double> w;    // weights, sum 1
  std::vector<double> wy;   // w (x - weighted mean)
  double tFirst = 0;        // earliest time, units of t
  double yy = 0;            // sum w y^2
  std::size_t size() const { return tau.size(); }
};
FoldSeries MakeFoldSeries(const PeriodogramSeries& series);

// Folds one run of frequencies f0, f0 + df, ... in turn.
class Folder {
 public:
  Folder(const FoldSeries& series, int bins);
  // The phases at f0 (evaluated exactly) and the step df.
  void Start(double f0, double df);
  // The bin sums at the current frequency: s0[b] = sum w, s1[b] = sum w y
  // over the points of bin b (`bins` values each); then moves on by df.
  void FoldNext(double* s0, double* s1);

 private:
  const FoldSeries& series_;
  int bins_;
  std::vector<std::uint64_t> phase_, step_;
  std::vector<std::uint16_t> bin_;
  std::vector<double> acc_;  // kCopies interleaved sets of bin sums
};

constexpr int kMaxFoldBins = 65535;

// The fraction of x (0 <= result < 1) as a fixed-point fraction of 2^64.
std::uint64_t FractionOf(double x);

}  // namespace teril::phase_detail

// Periodograms of a truncated Fourier series: methods 3 and 4 of the
// period search.
//
// Harmonic (Schwarzenberg-Czerny 1996, ApJ 460, L107; Palmer 2009, ApJ
// 695, 496): at each trial frequency f the weighted least-squares fit of
//   y(t) = c + sum_{k=1..K} a_k cos(2 pi k f tau) + b_k sin(2 pi k f tau)
// and its power P(f) = 1 - chi2(f) / chi2_0, chi2_0 the weighted sum of
// squares about the weighted mean. K = 1 is the generalised Lomb-Scargle
// power of method 1. With the weights w (sum 1) and g_i the 2K columns,
// the constant is eliminated by centring: A_ij = <g_i g_j> - <g_i><g_j>,
// r_i = <y g_i> and P = r' A^-1 r / <y^2>. Every <g_i g_j> is a sum
// C_m = <cos 2 pi m f tau> or S_m = <sin 2 pi m f tau>, m <= 2K, through
// the product formulas, so the data enter only through the 2K + 2K sums
// C_m, S_m and <y cos>, <y sin> of the K harmonics.
//
// Multiband (VanderPlas & Ivezic 2015, ApJ 812, 18): points in B bands
// share the frequency, a base series of K harmonics and its constant; each
// band b adds its own constant and Kb <= K harmonics of its own. The band
// terms are regularised as in the paper, by a ridge term lambda_b = 1e-5
// W_b (W_b the band's share of the weight) on their diagonal, which fixes
// the split between the base and the band terms that the data leave open.
// chi2_0 is the sum of squares about each band's own mean, so that the
// offsets between bands give no power. With one band this is method 3.
//
// Harmonic k is left out where 1 - C_k^2 - S_k^2 <= 1e-6 (its phases do
// not spread: near f = 0), as method 1 does for its one harmonic; a column
// that the others (nearly) span is left out of the solution.
#pragma once

#include <span>
#include <vector>

#include "periodicity/period_search.h"
#include "periodicity/periodogram.h"

namespace teril {

// The shape of the fitted series.
struct HarmonicModel {
  int harmonics = 3;      // K, 1 .. kMaxHarmonics
  int bandHarmonics = 0;  // Kb, 0 .. K (multiband only)
  bool multiband = false;
};

// power and amplitude (sqrt(sum a_k^2 + b_k^2) of the base series) at
// every grid frequency. `bands` as for ComputePeriodSearch. Returns false
// when stopped through options.progress.
bool HarmonicPeriodogram(const PeriodogramSeries& series, std::span<const int> bands,
                         const FrequencyGrid& grid, const HarmonicModel& model,
                         const PeriodSearchOptions& options, std::vector<double>& power,
                         std::vector<double>& amplitude);

// The fit at one frequency, from exact sums.
struct HarmonicFit {
  double power = 0;
  double amplitude = 0;      // sqrt(sum a_k^2 + b_k^2) of the base series
  double semiAmplitude = 0;  // half the range of the base series over one cycle
  std::vector<double> a, b;  // base series, k = 1 .. K at [k - 1], about tau = t - tRef
};
HarmonicFit HarmonicFitAt(const PeriodogramSeries& series, std::span<const int> bands, double f,
                          const HarmonicModel& model);

// The number of bands of `bands` (max + 1; 1 when empty). Throws
// std::invalid_argument for a negative band or a length that is not the
// series'.
int CountBands(std::span<const int> bands, std::size_t points);

}  // namespace teril

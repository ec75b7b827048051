// The spectral window of a set of observing times, and the frequency grid
// that it shares with prewhitening.
//
// The window (Deeming 1975, Ap&SS 36, 137) at a frequency f is
//
//   W(f) = | sum_j w_j exp(2 pi i f t_j) | / sum_j w_j,
//
// w_j the weights (all 1 without errors). W(0) = 1, and a sinusoid of
// amplitude A at the frequency nu, sampled at these times, has in its
// amplitude spectrum (periodogram.h, method Amplitude) about A W(f - nu)
// near nu (the mirror image from -nu aside): every peak of W off 0 is an
// alias that each real frequency of the data carries with it. For N equal
// weights at the regular times t_j = j dt:
//   W(f) = | sin(pi f N dt) / (N sin(pi f dt)) |.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "periodicity/periodogram.h"

namespace teril {

// The reason why the grid fLow .. fHigh with the step 1 / (oversampling
// span) cannot be computed (a bad bound or oversampling, no span, more
// than `limit` frequencies), or empty.
std::string CheckSpectralGrid(double span, double fLow, double fHigh, double oversampling,
                              double limit);

// That grid (checked first with CheckSpectralGrid).
FrequencyGrid SpectralGrid(double span, double fLow, double fHigh, double oversampling);

// The times (and weights: empty, or positive and finite, one per time)
// made ready for SpectralWindow. Requires at least one time.
PeriodogramSeries WindowSeries(std::span<const double> t, std::span<const double> weights = {});

// W on the grid, into `out` (grid.count values), by the direct sums of the
// periodogram (exact to rounding) or, for more than 1e8 products of points
// and frequencies, by its fast method (within a few 1e-6), a part of the
// grid at a time so that the working memory stays bounded. Returns false (and `out` undefined) when
// the progress callback said stop. A long grid may also be computed in parts, each a
// FrequencyGrid{grid.At(k0), grid.step, count}.
bool SpectralWindow(const PeriodogramSeries& series, const FrequencyGrid& grid,
                    std::vector<double>& out, const PeriodogramProgress& progress = {});

}  // namespace teril

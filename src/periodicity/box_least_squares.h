// Box least squares for eclipses and transits (Kovacs, Zucker & Mazeh
// 2002, A&A 391, 369): method 7 of the period search.
//
// At each trial frequency f = 1/P the points are folded on the phase
// frac(f (t - tFirst)) into nb bins, nb = ceil(4 / qMin) (at most 4000),
// so that the shortest trial duration spans four bins. A box of width q
// (a fraction of the period) over the bins i .. i + w - 1 (wrapping at
// phase 1) holds the weight r = sum w and the sum s = sum w y (w the
// weights, sum 1; y the signal about its weighted mean). The step model
// "level H outside, L inside" fits with
//   L - H = s / (r (1 - r)),    chi2_0 - chi2 = s^2 / (r (1 - r))
// in units of the total weight; the best box maximises the second, which
// is the square of the signal residue SR of the paper.
//
// The power is the share of chi2_0 the best box explains,
//   power = 1 - chi2_box / chi2_0 = SR^2 / sum w y^2,
// on the scale of methods 1 and 3 (0 .. 1) and, where the weights are
// 1/s^2, the log-likelihood ratio of box and constant divided by chi2_0/2;
// it orders the frequencies as SR does, so the peaks are the paper's.
// Boxes that lie above the rest count as well as those below: in
// magnitudes an eclipse is a rise of x, in flux a fall; the sign of the
// depth L - H tells which.
//
// The trial widths are `durations` fractions from qMin to qMax in equal
// ratios, each rounded to whole bins (at least one); every start bin is
// tried. The mid-time of the box's first event at or after tFirst is
// t0 = tFirst + (phase of the box's middle) P.
#pragma once

#include <vector>

#include "periodicity/period_search.h"
#include "periodicity/periodogram.h"

namespace teril {

struct BoxFit {
  double power = 0;       // 1 - chi2_box / chi2_0
  double depth = 0;       // L - H, units of x
  double duration = 0;    // units of t
  double t0 = 0;          // mid-time of the first event at or after tFirst
  double inWeight = 0;    // r, the weight inside the box (sum of all 1)
  double resolution = 0;  // the bin width, units of t
};

// The best box at every grid frequency (power, |depth|, depth, duration,
// t0). Returns false when stopped through options.progress.
bool BoxPeriodogram(const PeriodogramSeries& series, const FrequencyGrid& grid,
                    const PeriodSearchOptions& options, PeriodSearchValues& out);

// The best box at one frequency over every whole number of bins from
// qMin to qMax, on `bins` bins (0: 20 / qMin, at most 20000).
BoxFit BoxFitAt(const PeriodogramSeries& series, double f, const PeriodSearchOptions& options,
                int bins = 0);

// The least-squares error of the depth, scaled by the scatter about the
// box: sqrt(chi2_box / (N - 2) / (W r (1 - r))) with chi2_box in units of
// the total weight W, i.e. sqrt(yy (1 - power) / ((N - 2) r (1 - r))).
double BoxDepthError(const BoxFit& fit, double yy, long long n);

// The widths in bins tried on `bins` bins (increasing, no repeats).
std::vector<int> BoxWidths(const PeriodSearchOptions& options, int bins);
// nb for the grid search.
int BoxBins(double shortestDuration);

}  // namespace teril

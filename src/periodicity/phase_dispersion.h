// Periodograms for light curves of any shape: phase dispersion
// minimisation (method 5) and the analysis of variance (method 6).
//
// At each trial frequency f the points are folded on the phase
// frac(f (t - tFirst)), tFirst the earliest time, and sorted into M equal
// bins. With the weights w (sum 1), y the signal about its weighted mean,
// T = sum w y^2 and the between-bin sum B = sum_bins (sum_bin w y)^2 /
// sum_bin w, the within-bin sum is W = T - B. With N points and m bins
// that hold points:
//
//  * PDM (Stellingwerf 1978, ApJ 224, 953), non-overlapping bins:
//      theta = [W / (N - m)] / [T / (N - 1)]
//    1 for pure noise, near 0 at the period; best at its minima.
//  * AoV (Schwarzenberg-Czerny 1989, MNRAS 241, 153):
//      Theta = [B / (m - 1)] / [W / (N - m)]
//    about 1 for pure noise, large at the period; best at its maxima.
//
// Both are functions of W / T, whose distribution for pure noise is the
// beta distribution Beta((N - m)/2, (m - 1)/2) (Schwarzenberg-Czerny 1997,
// ApJ 489, 941): the probability of a value as good in one trial is
// p1 = I_x((N - m)/2, (m - 1)/2) with x = W / T. Where m < 2 or N <= m
// the bins tell nothing: theta = 1, Theta = 0.
#pragma once

#include <vector>

#include "periodicity/period_search.h"
#include "periodicity/periodogram.h"

namespace teril {

// The statistic and the semi-range of the bin means at one frequency.
struct BinnedStatistic {
  double theta = 1;        // PDM
  double aov = 0;          // AoV
  double withinShare = 1;  // W / T
  int filledBins = 0;      // m
  double amplitude = 0;    // half the range of the bin means
};

// From the bin sums s0 = sum w, s1 = sum w y of M bins, n points and T.
BinnedStatistic BinnedFromSums(const double* s0, const double* s1, int M, long long n, double T);

// method Pdm (theta) or Aov (Theta) and the semi-range of the bin means at
// every grid frequency, options.bins bins (2 .. 1000). Returns false when
// stopped through options.progress.
bool PhaseDispersionPeriodogram(const PeriodogramSeries& series, const FrequencyGrid& grid,
                                PeriodogramMethod method, const PeriodSearchOptions& options,
                                std::vector<double>& power, std::vector<double>& amplitude);

// The statistic at one frequency.
BinnedStatistic PhaseDispersionAt(const PeriodogramSeries& series, double f, int bins);

// The probability p1 of a within-bin share W/T as small as `withinShare`
// in one trial (see above).
double BinnedSingleTrialProbability(double withinShare, long long n, int filledBins);

// The regularised incomplete beta function I_x(a, b), a, b > 0, 0 <= x <= 1
// (the continued fraction, evaluated by the modified Lentz method).
double IncompleteBeta(double a, double b, double x);

// The probability that the best of M independent trials is as good as one
// of probability p1: 1 - (1 - p1)^M, without losing small p1.
double FalseAlarmOfTrials(double p1, double M);

}  // namespace teril

// One entry for every period search of the periodogram command, methods 1
// to 7 of PeriodogramMethod, on a regular grid of frequencies f_k = fLow +
// k df (cycles per unit of t):
//
//  1, 2  the generalised Lomb-Scargle periodogram and the amplitude spectrum
//        (periodicity/periodogram.h);
//  3     a truncated Fourier series of K harmonics at each frequency
//        (Schwarzenberg-Czerny 1996, ApJ 460, L107; Palmer 2009, ApJ 695,
//        496): power 1 - chi2(f) / chi2_0 (periodicity/harmonic_periodogram.h);
//  4     the same for several bands at once (VanderPlas & Ivezic 2015, ApJ
//        812, 18);
//  5, 6  phase dispersion minimisation (Stellingwerf 1978, ApJ 224, 953) and
//        the analysis of variance (Schwarzenberg-Czerny 1989, MNRAS 241,
//        153) on phase bins (periodicity/phase_dispersion.h);
//  7     box least squares (Kovacs, Zucker & Mazeh 2002, A&A 391, 369)
//        (periodicity/box_least_squares.h).
//
// The weights of the series (1/s^2 where the errors are known) enter every
// method the same way: as the weights of the sums of squares.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "periodicity/periodogram.h"

namespace teril {

constexpr int kMaxHarmonics = 6;

// How a method's sums are taken.
enum class SumsPath {
  Automatic,  // Direct for small problems, Fast for large ones
  Direct,     // exact sums at every frequency
  Fast,       // the extirpolated sums of Press & Rybicki (methods 1 to 4)
};

struct PeriodSearchOptions {
  int harmonics = 3;               // K, 1 .. kMaxHarmonics (methods 3 and 4)
  int bandHarmonics = 0;           // harmonics of each band's own series, 0 .. K (method 4)
  int bins = 10;                   // phase bins, 2 .. 1000 (methods 5 and 6)
  double shortestDuration = 0.01;  // trial durations, fractions of the period,
  double longestDuration = 0.1;    // 0 < shortest <= longest <= 0.5 (method 7)
  int durations = 10;              // trial durations from shortest to longest (method 7)
  int threads = 0;                 // 0 = every core
  SumsPath path = SumsPath::Automatic;
  long long fastChunk = 0;       // frequencies per transform of the fast sums; 0 = automatic
  PeriodogramProgress progress;  // called on the calling thread only
};

// The values of a search, one per grid frequency.
//   power:     methods 1, 3, 4: 1 - chi2/chi2_0 in [0, 1]; 2: |B|^2;
//              5: Stellingwerf's theta (best at minima); 6: the AoV
//              statistic (best at maxima); 7: 1 - chi2_box/chi2_0.
//   amplitude: 1, 2: the semi-amplitude of the sinusoid; 3, 4: sqrt(sum_k
//              a_k^2 + b_k^2) of the (base) series, the semi-amplitude of a
//              sinusoid of the same mean square; 5, 6: half the range of
//              the bin means; 7: |depth|.
//   depth, duration, t0: method 7 only (empty otherwise): the best box's
//              depth (mean inside minus mean outside, units of x),
//              duration (units of t) and the mid-time of its first event
//              at or after the earliest time.
struct PeriodSearchValues {
  std::vector<double> power, amplitude;
  std::vector<double> depth, duration, t0;
};

// True when the best frequencies of `method` are the minima of its power
// (method 5); all others are best at their maxima.
constexpr bool BestAtMinimum(PeriodogramMethod method) { return method == PeriodogramMethod::Pdm; }

// Empty when `options` suit `method`, else the reason.
std::string CheckPeriodSearch(PeriodogramMethod method, const PeriodSearchOptions& options);

// Computes the search. `bands` gives each point's band (0 .. B-1; empty:
// all points in one band) and is used by method 4 only. Throws
// std::invalid_argument when CheckPeriodSearch refuses the options or the
// bands do not fit the series. Returns false (and `out` undefined) when
// stopped through options.progress. The result does not depend on the
// number of threads.
bool ComputePeriodSearch(const PeriodogramSeries& series, std::span<const int> bands,
                         const FrequencyGrid& grid, PeriodogramMethod method,
                         const PeriodSearchOptions& options, PeriodSearchValues& out);

// A best frequency of a search, refined and evaluated exactly.
struct PeriodSearchPeak {
  long long index = 0;    // grid index
  double frequency = 0;   // refined by the parabola through three grid values
  double power = 0;       // the method's statistic there
  double amplitude = 0;   // as in PeriodSearchValues; methods 3, 4: half the
                          // range of the fitted curve
  double falseAlarm = 1;  // see below; NaN where the method has none (2, 7)
  // Method 7: the box at the refined frequency, found on bins 20 times
  // finer than the shortest duration; the errors of duration and t0 are
  // that resolution, the error of the depth the least-squares one scaled
  // by the scatter about the box.
  double depth = 0, depthError = 0, duration = 0, durationError = 0, t0 = 0, t0Error = 0;
};

// The `count` best local extrema of out.power (maxima, or minima where
// BestAtMinimum), best first. False-alarm probabilities among M = max(1,
// (fHigh - fLow) span) independent frequencies: 1 - (1 - p1)^M with p1
// the probability of the statistic in one trial under pure noise:
// 1: Baluev (2008); 3, 4: the F test of 2K terms, p1 = I_{1-P}((N - 2K -
// 1)/2, K) (incomplete beta); 5, 6: the beta distribution of the binned
// statistic (Schwarzenberg-Czerny 1997, ApJ 489, 941).
std::vector<PeriodSearchPeak> ListPeriodSearchPeaks(const PeriodogramSeries& series,
                                                    std::span<const int> bands,
                                                    const FrequencyGrid& grid,
                                                    PeriodogramMethod method,
                                                    const PeriodSearchOptions& options,
                                                    const PeriodSearchValues& values, int count);

}  // namespace teril

// The periodogram of an unevenly sampled series: pure functions of arrays.
//
// Two periodograms, each on a regular grid of frequencies f_k = fLow + k df
// (cycles per unit of t), k = 0 .. count-1:
//
//  * LombScargle: the generalised Lomb-Scargle periodogram with a floating
//    mean (Zechmeister & Kürster 2009, A&A 496, 577): at each f the
//    weighted least-squares fit of y = c + a cos(2 pi f t) + b sin(2 pi f t)
//    and its power p(f) = 1 - chi2(f) / chi2_0, chi2_0 the weighted sum of
//    squares about the weighted mean; 0 <= p <= 1. The semi-amplitude is
//    sqrt(a^2 + b^2).
//  * Amplitude: the amplitude spectrum of the discrete Fourier transform
//    (Deeming 1975, Ap&SS 36, 137): with normalised weights w (sum 1) and
//    y the signal less its weighted mean, B(f) = sum w y exp(2 pi i f t);
//    power |B|^2, semi-amplitude 2 |B| (for equal weights 2/N |sum ...|).
//
// Two ways to compute the same grid: the direct sums (sines and cosines
// advanced by rotation along the grid and recomputed exactly every
// kAnchorInterval frequencies; split over threads) and the fast method of
// Press & Rybicki (1989, ApJ 338, 277): the data extirpolated onto a
// regular grid of times and the sums taken by FFTs. The false-alarm
// probability of a peak of the Lomb-Scargle power follows Baluev (2008,
// MNRAS 385, 1279).
#pragma once

#include <functional>
#include <span>
#include <vector>

namespace teril {

// Methods 3 to 7 are declared in periodicity/period_search.h.
enum class PeriodogramMethod {
  LombScargle = 1,
  Amplitude = 2,
  Harmonic = 3,
  Multiband = 4,
  Pdm = 5,
  Aov = 6,
  Bls = 7
};

// The series prepared for the sums: times about a reference, the signal
// about its weighted mean, the weights normalised to sum 1.
struct PeriodogramSeries {
  std::vector<double> tau;  // t - tRef
  std::vector<double> y;    // x - mean
  std::vector<double> w;    // weights, sum 1
  double tRef = 0;          // (min t + max t) / 2
  double mean = 0;          // weighted mean of x
  double yy = 0;            // sum w y^2 (chi2_0 over the sum of the weights)
  double span = 0;          // max t - min t
  double timeVariance = 0;  // sum w tau^2 - (sum w tau)^2
  std::size_t size() const { return tau.size(); }
};

// Prepares t, x (0-based, same length, at least 1 point) with the weights
// `weights` (empty: all equal; otherwise positive and finite, same length).
PeriodogramSeries PrepareSeries(std::span<const double> t, std::span<const double> x,
                                std::span<const double> weights = {});

struct FrequencyGrid {
  double fLow = 0;  // first frequency
  double step = 0;  // df > 0
  long long count = 0;
  double At(long long k) const { return fLow + static_cast<double>(k) * step; }
};

// The grid fLow, fLow + df, ... up to fHigh (the last frequency not above
// fHigh, allowing for rounding), df = 1 / (oversampling * span). Requires
// fHigh > fLow, oversampling > 0, span > 0. The count is returned as a
// double so that a grid too large for any array can still be refused.
double GridCount(double fLow, double fHigh, double step);

struct PeriodogramValues {
  std::vector<double> power;      // one per grid frequency
  std::vector<double> amplitude;  // semi-amplitude of the sinusoid
};

// Called between units of work with the units done and their total;
// returning false stops the computation. Called on the caller's thread only.
using PeriodogramProgress = std::function<bool(long long done, long long total)>;

struct PeriodogramOptions {
  int threads = 0;  // direct sums: threads to use; 0 = every core
  // Fast method: frequencies transformed at once (the memory is about
  // 200 bytes per frequency); 0 = 2^20.
  long long fastChunk = 0;
  PeriodogramProgress progress;
};

// Frequencies between two exact evaluations of the direct sums' sines and
// cosines: the rotation error after this many steps stays near 1e-13.
constexpr int kAnchorInterval = 256;

// The direct sums. Returns false (and `out` undefined) when stopped. The
// result does not depend on the number of threads.
bool DirectPeriodogram(const PeriodogramSeries& series, const FrequencyGrid& grid,
                       PeriodogramMethod method, PeriodogramValues& out,
                       const PeriodogramOptions& options = {});

// The fast method: agrees with the direct sums to a few 1e-6 in power (the
// extirpolation error). Returns false when stopped.
bool FastPeriodogram(const PeriodogramSeries& series, const FrequencyGrid& grid,
                     PeriodogramMethod method, PeriodogramValues& out,
                     const PeriodogramOptions& options = {});

// The weighted sums at one frequency, with c = cos(2 pi f tau) and
// s = sin(2 pi f tau): C = sum w c, S = sum w s, YC = sum w y c,
// YS = sum w y s, C2 = sum w cos(4 pi f tau), S2 = sum w sin(4 pi f tau).
struct TrigSums {
  double C = 0, S = 0, YC = 0, YS = 0, C2 = 0, S2 = 0;
};

// The fitted sinusoid y = a cos(2 pi f tau) + b sin(2 pi f tau) (+ a
// constant for LombScargle) at one frequency, tau = t - tRef.
struct SineFit {
  double power = 0;
  double amplitude = 0;  // sqrt(a^2 + b^2)
  double a = 0, b = 0;
};

// Power and fit from the sums (yy = sum w y^2). LombScargle: with
// CC = (1 + C2)/2 - C^2, SS = (1 - C2)/2 - S^2, CS = S2/2 - C S and
// D = CC SS - CS^2: p = (SS YC^2 + CC YS^2 - 2 CS YC YS) / (yy D),
// a = (YC SS - YS CS)/D, b = (YS CC - YC CS)/D. Where the cosine and sine
// are (nearly) dependent on the data (D ~ 0, as at f = 0) the one
// independent direction is fitted; where both vanish, 0. Amplitude:
// power YC^2 + YS^2, semi-amplitude 2 sqrt(power), a = 2 YC, b = 2 YS.
// The power is clamped to [0, 1] for LombScargle.
SineFit SineFromSums(const TrigSums& sums, double yy, PeriodogramMethod method);

// The sums and the fit at one frequency, evaluated exactly.
TrigSums SumsAt(const PeriodogramSeries& series, double f);
SineFit FitAt(const PeriodogramSeries& series, double f, PeriodogramMethod method);

// Median of the positive spacings of the sorted times (0 when none).
double MedianSpacing(std::span<const double> t);

// Indices of the local maxima of v (v[k] > v[k-1] and v[k] >= v[k+1]; an
// end counts when it is above its one neighbour), the `count` highest
// first (the lower index first among equal values).
std::vector<long long> HighestPeaks(std::span<const double> v, int count);

// Offset in grid steps (within -0.5 .. 0.5 for a local maximum) of the
// vertex of the parabola through (-1, left), (0, mid), (1, right); 0 when
// the three are on a line.
double ParabolaVertexOffset(double left, double mid, double right);

// Baluev's effective bandwidth W = (fHigh - fLow) sqrt(4 pi D_t), D_t the
// weighted variance of the times.
double BaluevBandwidth(double fLow, double fHigh, double timeVariance);

// False-alarm probability of a Lomb-Scargle peak of power p among n points
// over a band of effective width W (Baluev 2008, the case of an unknown
// noise level, one frequency searched for with a floating mean): with
// N_H = n - 1, N_K = n - 3,
//   single = (1 - p)^(N_K / 2),
//   tau    = W Gamma(N_H / 2) / Gamma((N_H - 1) / 2) (1 - p)^((N_K - 1) / 2) sqrt(p),
//   FAP    = 1 - (1 - single) exp(-tau)   (about single + tau when small),
// clamped to [0, 1]. 1 when n <= 3.
double BaluevFalseAlarm(double p, long long n, double W);

// Keeps at most `capacity` values of v for a series that cannot hold them
// all: the index of the highest value of each run of ceil(size/capacity)
// consecutive values, in order (so every peak stays at its grid value).
std::vector<long long> MaxEnvelope(std::span<const double> v, long long capacity);

}  // namespace teril

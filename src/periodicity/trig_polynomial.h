// The trigonometric polynomial of the basic period: the normal equations of
// its harmonics over the points used, the fits of every degree, and the
// statistics of the degree scan.
//
// Basis functions, numbered from 1 at the angle a = omega t:
//   f_1 = 1,  f_(2k) = cos(k a),  f_(2k+1) = sin(k a),  k = 1..s.
// A polynomial of degree s has m = 2 s + 1 coefficients; C[i] (1-based)
// multiplies f_i, so C_0 = C[1], the cosine of harmonic k is C[2k] and its
// sine C[2k+1]. The model is x(t) = xMean + sum_(i=1..m) C[i] f_i(omega t).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "lsq/lsq_state.h"

namespace teril {

inline constexpr double kTwoPi = 6.283185307179586;
constexpr int kMaxTrigDegree = 9;  // 19 coefficients: the limit of the normal matrix

// Degree limit s_max of nj indices: 9 when nj > 11, else (nj - 1) div 2
// truncated toward zero (0 for nj <= 2, also for nj = 0).
int TrigDegreeLimit(int nj);

// Angular frequency of the argument: 2 pi in phase mode (t holds phases),
// else 2 pi / period, and 0 when period = 0.
double TrigOmega(bool phased, double period);

// f[1..2 degree + 1] at the angle a. The harmonics come from cos a and
// sin a by the angle-addition recurrence
//   cos((k+1)a) = cos(ka) cos a - sin(ka) sin a,
//   sin((k+1)a) = sin(ka) cos a + cos(ka) sin a,
// one sin/cos pair per point instead of one per harmonic. f needs
// 2 degree + 2 places (index 0 unused).
void TrigBasis(double angle, int degree, double* f);

// The points used: indices first..last whose t lies in tMin..tMax.
struct TrigPoints {
  const double* t = nullptr;
  const double* x = nullptr;
  int first = 1, last = 0;
  double tMin = 0, tMax = 0;
  bool Used(int i) const { return t[i] >= tMin && t[i] <= tMax; }
};

// Normal equations of degree sMax over the points used, accumulated once:
// A_ij = sum f_i f_j and b_i = sum (x - xMean) f_i for i, j = 1..2 sMax + 1
// (the rest 0); a fit of degree s takes the leading m x m block.
struct TrigPolySums {
  int sMax = 0;
  int n = 0;  // points used
  double omega = 0;
  double xMean = 0;  // mean x of the points used, 0 when n = 0
  double D = 0;      // sum (x - xMean)^2
  double A[kLsqDim][kLsqDim] = {};
  double b[kLsqDim] = {};
  // n (1e-12 max |x|)^2: a sum of squares at or below it is rounding noise.
  double noiseFloor = 0;
  // A sum of squares (D or an RSS) at the rounding level of the data is 0:
  // an exact fit, or a constant signal, counts as such, so that the rounding
  // noise does not become huge Lp, S/N_F or S/N_a.
  double Snap(double sum) const;
};
TrigPolySums AccumulateTrigSums(const TrigPoints& p, double omega, int sMax);

// One fit of degree s (s <= sums.sMax).
struct TrigFit {
  int degree = 0;
  int m = 1;
  double C[kLsqDim] = {};  // C[1..m]
  double degeneracy = 0;   // det(A_m) / prod A_ii of the accumulated block (0: singular)
  double rss = 0;          // sum (x - model)^2 over the points used (TrigResidualSums)
};

// FitTrigPolynomial: copies the leading m x m block of sums.A into
// work.NormalMatrix, inverts it there (InvertMatrix; work then holds
// A_m^-1), C = A_m^-1 b and degeneracy = work.DetRatio. A singular block
// leaves whatever the inversion left (degeneracy 0). rss is not touched.
TrigFit FitTrigPolynomial(const TrigPolySums& sums, int degree, LsqSystem& work);

// The RSS of every fit in `fits` over the points used, in one pass that
// computes the harmonics of each point once.
void TrigResidualSums(const TrigPoints& p, const TrigPolySums& sums, std::span<TrigFit> fits);

// The model sum_(i=1..m) C[i] f_i(angle), without the mean.
double TrigModel(const TrigFit& fit, double angle);

// One row of the degree scan (n points, total sum D, the RSS of the degree
// before, RSS_prev = D for s = 0):
//   sig0 = sqrt(RSS / (n - m)),    0 when n <= m
//   xc   = sig0 sqrt(m / n)        (mean accuracy of the smoothed curve)
//   snA  = sqrt((D - RSS) / n) / xc,   0 when xc = 0
//   Lp   = (n - m) lg(RSS_prev / RSS)
//   snF  = (RSS_prev / RSS - 1) (n - m) / 2   (Fisher ratio of the two added coefficients)
//          both 0 when RSS or RSS_prev is 0 or n <= m
//   ampl = sqrt(C[2s]^2 + C[2s+1]^2), semi-amplitude of the highest harmonic (0 for s = 0)
//   amplSig = ampl sqrt((n - m) / 2) / sig0: the amplitude over its
//          standard error, 0 when sig0 = 0 (not formed when n <= m)
struct DegreeRow {
  int s = 0;
  bool exact = false;  // n <= m: no degrees of freedom left, no amplSig
  double sig0 = 0, xc = 0, snA = 0, degeneracy = 0, Lp = 0, snF = 0, ampl = 0, amplSig = 0;
};
DegreeRow DegreeStatistics(int n, double D, double rssPrev, const TrigFit& fit);

// The degree scan: `fits` gets the fit of every degree 0..sums.sMax from
// the one set of normal equations, with its RSS; the result is their rows.
// D and every RSS at the rounding level count as 0 (TrigPolySums::Snap), and
// an RSS a rounding-level hair above the one of the degree before (which
// every higher degree contains) is taken as equal to it, so that rounding
// noise never shows as a negative Lp.
std::vector<DegreeRow> ScanTrigDegrees(const TrigPoints& p, const TrigPolySums& sums, LsqSystem& work,
                                       std::vector<TrigFit>& fits);

// The row in the report: s, a blank, sig0 (10:5), a blank, xc (10:5),
// snA (10:5), degeneracy (10:7), Lp (7:1), snF (7:1), ampl (6:3), then
// amplSig (7:1) or "0" for an exact row (in width 7). A value wider than
// its column after the first three gets a blank before it.
std::string DegreeRowText(const DegreeRow& row);

// The row in the log: one line per value, amplSig last and only when the
// row is not exact.
std::vector<std::string> DegreeRowLog(const DegreeRow& row);

}  // namespace teril

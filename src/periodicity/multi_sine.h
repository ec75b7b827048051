// The simultaneous fit of several sinusoids: pure functions of arrays.
//
// The model, with t in the units of the data and x in its units:
//
//   x(t) = c + sum_{i=1}^{n} A_i sin(2 pi (f_i (t - t0) + phi_i))
//
// f_i in cycles per unit of t, A_i > 0 (semi-amplitude, units of x),
// phi_i in cycles, 0 <= phi_i < 1, the phase at the time zero point t0.
// t0 is the weighted mean time sum w t / sum w (the plain mean without
// weights): about it sum w (t - t0) = 0, so that the error of a frequency
// and that of its phase are uncorrelated (for a sinusoid whose period is
// short against the time span).
//
// Every parameter (c and each f, A, phi) is fitted at once by weighted
// nonlinear least squares (Levenberg-Marquardt, numeric/dense_fit.h),
// minimising sum w (x - x(t))^2 with w = 1/s^2 when errors are given.
//
// Besides the errors from the covariance of the fit, the analytic errors
// of Montgomery & O'Donoghue (1999, Delta Scuti Star Newsletter 13, 28)
// for N points of residual rms sigma over a time span T:
//   sigma_A   = sqrt(2/N) sigma
//   sigma_f   = sqrt(6/N) sigma / (pi T A)
//   sigma_phi = sqrt(2/N) sigma / (2 pi A)     (cycles; their form in
//                                               radians without 2 pi)
// They assume white noise and times spread evenly over T.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "numeric/dense_fit.h"

namespace teril {

struct SineTerm {
  double frequency = 0;  // cycles per unit of t
  double amplitude = 0;  // semi-amplitude, units of x
  double phase = 0;      // cycles at t0, in [0, 1)
};

// The series of the fit: 0-based arrays of equal length.
struct MultiSineData {
  std::vector<double> t, x;
  std::vector<double> w;  // weights; empty: all equal
  double tZero = 0;       // weighted mean of t
  double span = 0;        // max t - min t
  std::size_t size() const { return t.size(); }
};

// Checks and copies the series: t and x of the same length, at least one
// point, every value finite, `weights` empty or of the same length with
// every weight positive and finite. Throws std::invalid_argument otherwise.
MultiSineData PrepareMultiSine(std::span<const double> t, std::span<const double> x,
                               std::span<const double> weights = {});

struct MultiSineFit {
  double mean = 0, meanSigma = 0;  // c and its error
  std::vector<SineTerm> terms;
  std::vector<SineTerm> sigmas;    // errors from the covariance of the fit
  std::vector<SineTerm> analytic;  // Montgomery & O'Donoghue errors
  double residualRms = 0;          // sqrt(sum w r^2 / sum w)
  double chi2 = 0;
  long long dof = 0;  // N - (3 n + 1)
  int iterations = 0;
  bool converged = true;
  bool singular = false;  // the errors from the covariance are NaN
};

// The number of parameters of n sinusoids and the mean: 3 n + 1.
inline std::size_t MultiSineParameters(std::size_t n) { return 3 * n + 1; }

// The value of the model at time t.
double MultiSineValue(double mean, std::span<const SineTerm> terms, double tZero, double t);

// x - model at every point.
std::vector<double> MultiSineResiduals(const MultiSineData& data, double mean,
                                       std::span<const SineTerm> terms);

// The linear fit at fixed frequencies: c + sum (a_i cos + b_i sin), turned
// into amplitudes and phases; its errors are those of the linear fit (the
// frequencies taken as exact). Requires N > 2 n + 1.
MultiSineFit FitAtFrequencies(const MultiSineData& data, std::span<const double> frequencies);

// The full nonlinear fit from the given mean and terms. Requires
// N > 3 n + 1 (throws std::invalid_argument otherwise). The amplitudes come
// out positive and the phases in [0, 1) whatever the signs the iterations
// passed through.
MultiSineFit FitMultiSine(const MultiSineData& data, double mean, std::span<const SineTerm> start,
                          const LmOptions& options = {});

// Montgomery & O'Donoghue's errors of a sinusoid of amplitude A > 0 fitted
// to N points with residual rms sigma over the span T > 0.
SineTerm AnalyticErrors(double amplitude, double sigma, std::size_t n, double span);

}  // namespace teril

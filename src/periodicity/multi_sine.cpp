#include "periodicity/multi_sine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "periodicity/periodogram_kernel.h"
#include "periodicity/sin_cos_batch.h"

namespace teril {
namespace {

using periodogram_detail::CosSinCycles;

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Weight(const MultiSineData& d, std::size_t j) { return d.w.empty() ? 1.0 : d.w[j]; }

double WrapPhase(double phase) {
  const double p = phase - std::floor(phase);
  return p >= 1 ? 0 : p;
}

// Fills the residual rms and the analytic errors from the terms.
void Finish(const MultiSineData& data, MultiSineFit& fit) {
  const std::vector<double> r = MultiSineResiduals(data, fit.mean, fit.terms);
  double sum = 0, total = 0;
  for (std::size_t j = 0; j < r.size(); ++j) {
    sum += Weight(data, j) * r[j] * r[j];
    total += Weight(data, j);
  }
  fit.residualRms = std::sqrt(sum / total);
  fit.analytic.clear();
  for (const SineTerm& term : fit.terms)
    fit.analytic.push_back(AnalyticErrors(term.amplitude, fit.residualRms, data.size(), data.span));
}

}  // namespace

MultiSineData PrepareMultiSine(std::span<const double> t, std::span<const double> x,
                               std::span<const double> weights) {
  if (t.empty() || t.size() != x.size() || (!weights.empty() && weights.size() != t.size()))
    throw std::invalid_argument("PrepareMultiSine: arrays of different lengths or none");
  MultiSineData d;
  d.t.assign(t.begin(), t.end());
  d.x.assign(x.begin(), x.end());
  d.w.assign(weights.begin(), weights.end());
  for (std::size_t j = 0; j < t.size(); ++j)
    if (!std::isfinite(t[j]) || !std::isfinite(x[j]))
      throw std::invalid_argument("PrepareMultiSine: a value is not finite");
  double total = 0, sum = 0;
  for (std::size_t j = 0; j < t.size(); ++j) {
    const double w = Weight(d, j);
    if (!(w > 0) || !std::isfinite(w))
      throw std::invalid_argument("PrepareMultiSine: weights must be positive and finite");
    total += w;
    sum += w * t[j];
  }
  if (!std::isfinite(total)) throw std::invalid_argument("PrepareMultiSine: weights too large");
  auto [lo, hi] = std::minmax_element(t.begin(), t.end());
  d.span = *hi - *lo;
  d.tZero = std::clamp(sum / total, *lo, *hi);
  return d;
}

double MultiSineValue(double mean, std::span<const SineTerm> terms, double tZero, double t) {
  double v = mean;
  const double tau = t - tZero;
  for (const SineTerm& term : terms) {
    double c, s;
    CosSinCycles(term.frequency * tau + term.phase, c, s);
    v += term.amplitude * s;
  }
  return v;
}

std::vector<double> MultiSineResiduals(const MultiSineData& data, double mean,
                                       std::span<const SineTerm> terms) {
  const std::size_t m = data.size();
  std::vector<double> r(m), phases(m), s(m), c(m);
  for (std::size_t j = 0; j < m; ++j) r[j] = data.x[j] - mean;
  for (const SineTerm& term : terms) {
    for (std::size_t j = 0; j < m; ++j)
      phases[j] = term.frequency * (data.t[j] - data.tZero) + term.phase;
    SinCosCyclesBatch(phases.data(), m, s.data(), c.data());
    for (std::size_t j = 0; j < m; ++j) r[j] -= term.amplitude * s[j];
  }
  return r;
}

SineTerm AnalyticErrors(double amplitude, double sigma, std::size_t n, double span) {
  const double N = static_cast<double>(n);
  SineTerm e;
  e.amplitude = std::sqrt(2 / N) * sigma;
  e.frequency = std::sqrt(6 / N) * sigma / (std::numbers::pi * span * amplitude);
  e.phase = std::sqrt(2 / N) * sigma / (kTwoPi * amplitude);
  return e;
}

MultiSineFit FitAtFrequencies(const MultiSineData& data, std::span<const double> frequencies) {
  const std::size_t n = frequencies.size(), columns = 2 * n + 1, m = data.size();
  std::vector<double> design(m * columns), phases(m), s(m), c(m);
  for (std::size_t j = 0; j < m; ++j) design[j * columns] = 1;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < m; ++j) phases[j] = frequencies[i] * (data.t[j] - data.tZero);
    SinCosCyclesBatch(phases.data(), m, s.data(), c.data());
    for (std::size_t j = 0; j < m; ++j) {
      design[j * columns + 2 * i + 1] = c[j];
      design[j * columns + 2 * i + 2] = s[j];
    }
  }
  const LinearFitResult lin = WeightedLinearFit(design, columns, data.x, data.w);
  MultiSineFit fit;
  fit.mean = lin.parameters[0];
  fit.meanSigma = lin.Sigma(0);
  fit.chi2 = lin.chi2;
  fit.dof = lin.dof;
  fit.singular = !lin.fullRank;
  for (std::size_t i = 0; i < n; ++i) {
    // a cos + b sin = A sin(theta + 2 pi phi): a = A sin 2 pi phi, b = A cos 2 pi phi.
    const std::size_t ia = 2 * i + 1, ib = 2 * i + 2;
    const double a = lin.parameters[ia], b = lin.parameters[ib];
    const double A = std::hypot(a, b);
    fit.terms.push_back({frequencies[i], A, WrapPhase(std::atan2(a, b) / kTwoPi)});
    const double vaa = lin.covariance[ia * columns + ia], vbb = lin.covariance[ib * columns + ib],
                 vab = lin.covariance[ia * columns + ib];
    SineTerm s{0, kNaN, kNaN};
    if (A > 0) {
      s.amplitude = std::sqrt((a * a * vaa + b * b * vbb + 2 * a * b * vab) / (A * A));
      s.phase = std::sqrt(b * b * vaa + a * a * vbb - 2 * a * b * vab) / (A * A) / kTwoPi;
    }
    fit.sigmas.push_back(s);
  }
  Finish(data, fit);
  return fit;
}

MultiSineFit FitMultiSine(const MultiSineData& data, double mean, std::span<const SineTerm> start,
                          const LmOptions& options) {
  const std::size_t n = start.size(), np = MultiSineParameters(n);
  if (data.size() <= np)
    throw std::invalid_argument("FitMultiSine: needs more points than 3 n + 1 parameters");
  std::vector<double> tau(data.size());
  for (std::size_t j = 0; j < data.size(); ++j) tau[j] = data.t[j] - data.tZero;
  std::vector<double> p{mean};
  for (const SineTerm& term : start)
    p.insert(p.end(), {term.frequency, term.amplitude, term.phase});
  // Per block: the phases of one term at every row, their sines and cosines
  // in one batch, then the sums and the derivatives.
  std::vector<double> phases, sines, cosines;
  ModelRows model = [&](std::span<const double> q, std::size_t first, std::size_t count,
                        double* values, double* jacobian) {
    phases.resize(count);
    sines.resize(count);
    cosines.resize(count);
    const double* t = tau.data() + first;
    std::fill(values, values + count, q[0]);
    if (jacobian)
      for (std::size_t r = 0; r < count; ++r) jacobian[r * np] = 1;
    for (std::size_t i = 0; i < n; ++i) {
      const double f = q[3 * i + 1], A = q[3 * i + 2], phi = q[3 * i + 3];
      for (std::size_t r = 0; r < count; ++r) phases[r] = f * t[r] + phi;
      SinCosCyclesBatch(phases.data(), count, sines.data(), cosines.data());
      for (std::size_t r = 0; r < count; ++r) values[r] += A * sines[r];
      if (!jacobian) continue;
      for (std::size_t r = 0; r < count; ++r) {
        double* J = jacobian + r * np + 3 * i;
        const double dPhase = kTwoPi * A * cosines[r];
        J[1] = dPhase * t[r];
        J[2] = sines[r];
        J[3] = dPhase;
      }
    }
  };
  const LmResult lm = LevenbergMarquardt(data.x, data.w, p, model, options);
  MultiSineFit fit;
  fit.mean = lm.parameters[0];
  fit.meanSigma = lm.Sigma(0);
  fit.chi2 = lm.chi2;
  fit.dof = lm.dof;
  fit.iterations = lm.iterations;
  fit.converged = lm.converged;
  fit.singular = lm.singular;
  for (std::size_t i = 0; i < n; ++i) {
    SineTerm term{lm.parameters[3 * i + 1], lm.parameters[3 * i + 2], lm.parameters[3 * i + 3]};
    if (term.amplitude < 0) {
      // -A sin(x) = A sin(x + pi): the same curve with the phase half a cycle on.
      term.amplitude = -term.amplitude;
      term.phase += 0.5;
    }
    term.phase = WrapPhase(term.phase);
    fit.terms.push_back(term);
    fit.sigmas.push_back({lm.Sigma(3 * i + 1), lm.Sigma(3 * i + 2), lm.Sigma(3 * i + 3)});
  }
  Finish(data, fit);
  return fit;
}

}  // namespace teril

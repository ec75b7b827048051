#include "numeric/dense_fit.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace teril {
namespace {

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;
using RowBlock = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMaxLambda = 1e16;
constexpr double kMinLambda = 1e-12;

double SigmaOf(const std::vector<double>& covariance, std::size_t k) {
  const std::size_t n = static_cast<std::size_t>(std::llround(std::sqrt(covariance.size())));
  return k < n ? std::sqrt(covariance[k * n + k]) : kNaN;
}

double Weight(std::span<const double> weights, std::size_t i) {
  return weights.empty() ? 1.0 : weights[i];
}

// chi2 at p and, when `normal` is set, H = J^T W J (lower triangle only)
// and g = J^T W (y - m), accumulated block by block.
struct Evaluator {
  std::span<const double> y, weights;
  const ModelRows& model;
  std::size_t np, blockRows;
  std::vector<double> modelBuffer, jacobianBuffer;

  double Chi2(std::span<const double> p, Matrix* H, Vector* g) {
    const std::size_t m = y.size();
    modelBuffer.resize(blockRows);
    if (H) {
      jacobianBuffer.resize(blockRows * np);
      H->setZero(static_cast<Eigen::Index>(np), static_cast<Eigen::Index>(np));
      g->setZero(static_cast<Eigen::Index>(np));
    }
    double chi2 = 0;
    for (std::size_t first = 0; first < m; first += blockRows) {
      const std::size_t count = std::min(blockRows, m - first);
      model(p, first, count, modelBuffer.data(), H ? jacobianBuffer.data() : nullptr);
      Vector r(static_cast<Eigen::Index>(count));
      for (std::size_t i = 0; i < count; ++i) {
        const double w = Weight(weights, first + i), sw = std::sqrt(w);
        const double d = y[first + i] - modelBuffer[i];
        chi2 += w * d * d;
        r[static_cast<Eigen::Index>(i)] = sw * d;
        if (H)
          for (std::size_t k = 0; k < np; ++k) jacobianBuffer[i * np + k] *= sw;
      }
      if (H) {
        Eigen::Map<RowBlock> J(jacobianBuffer.data(), static_cast<Eigen::Index>(count),
                               static_cast<Eigen::Index>(np));
        H->selfadjointView<Eigen::Lower>().rankUpdate(J.transpose());
        *g += J.transpose() * r;
      }
    }
    if (H) H->triangularView<Eigen::StrictlyUpper>() = H->transpose();
    return chi2;
  }
};

// Marquardt's scaling: the columns of J scaled to unit length, so that
// lambda means the same for a frequency and an amplitude.
Vector ColumnScale(const Matrix& H) {
  Vector d = H.diagonal().cwiseSqrt();
  for (Eigen::Index k = 0; k < d.size(); ++k)
    if (!(d[k] > 0) || !std::isfinite(d[k])) d[k] = 1;
  return d;
}

std::vector<double> ToStd(const Vector& v) {
  return std::vector<double>(v.data(), v.data() + v.size());
}

std::vector<double> CovarianceFrom(const Matrix& H, double s2, bool& singular) {
  const Eigen::Index n = H.rows();
  const Vector d = ColumnScale(H);
  const Matrix Hs = d.asDiagonal().inverse() * H * d.asDiagonal().inverse();
  Eigen::LLT<Matrix> llt(Hs);
  std::vector<double> cov(static_cast<std::size_t>(n * n), kNaN);
  singular = llt.info() != Eigen::Success;
  if (singular) return cov;
  Matrix inv = llt.solve(Matrix::Identity(n, n));
  inv = d.asDiagonal().inverse() * inv * d.asDiagonal().inverse();
  for (Eigen::Index r = 0; r < n; ++r)
    for (Eigen::Index c = 0; c < n; ++c) cov[static_cast<std::size_t>(r * n + c)] = inv(r, c) * s2;
  return cov;
}

void CheckWeights(std::span<const double> y, std::span<const double> weights, const char* who) {
  if (!weights.empty() && weights.size() != y.size())
    throw std::invalid_argument(std::string(who) + ": weights of a different length");
  for (double w : weights)
    if (!(w > 0) || !std::isfinite(w))
      throw std::invalid_argument(std::string(who) + ": weights must be positive and finite");
}

}  // namespace

double LmResult::Sigma(std::size_t k) const { return SigmaOf(covariance, k); }
double LinearFitResult::Sigma(std::size_t k) const { return SigmaOf(covariance, k); }

LmResult LevenbergMarquardt(std::span<const double> y, std::span<const double> weights,
                            std::span<const double> start, const ModelRows& model,
                            const LmOptions& options) {
  const std::size_t m = y.size(), np = start.size();
  if (np == 0 || m <= np)
    throw std::invalid_argument("LevenbergMarquardt: needs more points than parameters");
  CheckWeights(y, weights, "LevenbergMarquardt");
  Evaluator eval{y, weights, model, np, std::max<std::size_t>(1, options.blockRows), {}, {}};
  const double dof = static_cast<double>(m - np);

  LmResult r;
  r.dof = static_cast<long long>(m - np);
  std::vector<double> p(start.begin(), start.end()), trial(np);
  Matrix H;
  Vector g;
  double chi2 = eval.Chi2(p, &H, &g);
  if (!std::isfinite(chi2))
    throw std::invalid_argument("LevenbergMarquardt: the start is not finite");
  const double startChi2 = chi2;
  double lambda = options.initialLambda;
  const double tol2 = options.tolerance * options.tolerance;
  for (;;) {
    const Vector d = ColumnScale(H);
    const Matrix Hs = d.asDiagonal().inverse() * H * d.asDiagonal().inverse();
    const Vector gs = d.asDiagonal().inverse() * g;
    Eigen::LLT<Matrix> newton(Hs);
    double predicted = std::numeric_limits<double>::infinity();
    if (newton.info() == Eigen::Success) predicted = gs.dot(newton.solve(gs));
    // The Gauss-Newton decrease is the squared distance to the minimum in
    // units of the errors times s^2; below rounding it can say no more.
    if (predicted <= tol2 * chi2 / dof || predicted <= 1e-28 * chi2) {
      r.converged = true;
      break;
    }
    if (r.iterations >= options.maxIterations) break;
    bool improved = false;
    double trialChi2 = chi2;
    while (lambda <= kMaxLambda) {
      Matrix A = Hs;
      A.diagonal().array() += lambda;
      Eigen::LLT<Matrix> step(A);
      if (step.info() == Eigen::Success) {
        const Vector delta = d.asDiagonal().inverse() * step.solve(gs);
        for (std::size_t k = 0; k < np; ++k) trial[k] = p[k] + delta[static_cast<Eigen::Index>(k)];
        trialChi2 = eval.Chi2(trial, nullptr, nullptr);
        if (trialChi2 < chi2) {
          improved = true;
          break;
        }
      }
      lambda *= 10;
    }
    if (!improved) {
      // No step lowers chi2 any more: a minimum to rounding when the
      // Newton step promises next to nothing, or when the model explains
      // the data to rounding (where s vanishes and no error can be met).
      r.converged = predicted <= 1e-8 * chi2 || chi2 <= 1e-24 * startChi2;
      break;
    }
    p.swap(trial);
    lambda = std::max(lambda / 10, kMinLambda);
    ++r.iterations;
    chi2 = eval.Chi2(p, &H, &g);
  }
  r.parameters = p;
  r.chi2 = chi2;
  r.covariance = CovarianceFrom(H, chi2 / dof, r.singular);
  return r;
}

LinearFitResult WeightedLinearFit(std::span<const double> design, std::size_t columns,
                                  std::span<const double> y, std::span<const double> weights) {
  const std::size_t m = y.size();
  if (columns == 0 || m <= columns || design.size() != m * columns)
    throw std::invalid_argument("WeightedLinearFit: needs more points than columns");
  CheckWeights(y, weights, "WeightedLinearFit");
  const auto rows = static_cast<Eigen::Index>(m), n = static_cast<Eigen::Index>(columns);
  RowBlock A = Eigen::Map<const RowBlock>(design.data(), rows, n);
  Vector b(rows);
  for (Eigen::Index i = 0; i < rows; ++i) {
    const double sw = std::sqrt(Weight(weights, static_cast<std::size_t>(i)));
    A.row(i) *= sw;
    b[i] = sw * y[static_cast<std::size_t>(i)];
  }
  Eigen::ColPivHouseholderQR<Matrix> qr(A);
  LinearFitResult r;
  r.dof = static_cast<long long>(m - columns);
  r.fullRank = qr.rank() == n;
  const Vector p = qr.solve(b);
  r.parameters = ToStd(p);
  r.chi2 = (A * p - b).squaredNorm();
  r.covariance.assign(columns * columns, kNaN);
  if (!r.fullRank) return r;
  const Matrix R = qr.matrixR().topLeftCorner(n, n).triangularView<Eigen::Upper>();
  const Matrix Rinv = R.triangularView<Eigen::Upper>().solve(Matrix::Identity(n, n));
  const Matrix permuted = Rinv * Rinv.transpose();
  const auto& P = qr.colsPermutation();
  const Matrix cov = P * permuted * P.transpose();
  const double s2 = r.chi2 / static_cast<double>(r.dof);
  for (Eigen::Index i = 0; i < n; ++i)
    for (Eigen::Index k = 0; k < n; ++k)
      r.covariance[static_cast<std::size_t>(i * n + k)] = cov(i, k) * s2;
  return r;
}

}  // namespace teril

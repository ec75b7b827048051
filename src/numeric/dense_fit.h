// Dense weighted least squares: a linear solve and the Levenberg-Marquardt
// method for models with a few hundred parameters and up to millions of
// points. The one module of the program that works with Eigen; callers pass
// plain arrays.
//
// Both fits minimise chi2 = sum_i w_i (y_i - m_i(p))^2 over the parameters
// p (weights w_i > 0; all 1 when none are given). The covariance returned is
// the inverse of the normal matrix H = J^T W J (J_ik = dm_i / dp_k) scaled
// by the reduced chi2, s^2 = chi2 / (n_points - n_parameters): the errors
// then follow the scatter actually found, whether the weights are 1/s_i^2
// from known errors or merely relative.
//
// Levenberg-Marquardt (Levenberg 1944, Q. Appl. Math. 2, 164; Marquardt
// 1963, J. SIAM 11, 431): each step solves (H + lambda diag(H)) delta =
// J^T W (y - m); a step that lowers chi2 is taken and lambda divided by 10,
// otherwise lambda is multiplied by 10 and the step tried again.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

namespace teril {

// The model on the rows first .. first+count-1 at the parameters p:
// model[i] = m_{first+i}(p) for i = 0 .. count-1 and, when `jacobian` is
// not null, jacobian[i * p.size() + k] = dm_{first+i} / dp_k (row-major,
// count x p.size()). Called for consecutive blocks of rows, on the calling
// thread only.
using ModelRows = std::function<void(std::span<const double> p, std::size_t first,
                                     std::size_t count, double* model, double* jacobian)>;

struct LmOptions {
  int maxIterations = 100;
  // Converged when the Gauss-Newton step from the current parameters would
  // lower chi2 by at most tolerance^2 s^2, that is when the minimum lies
  // within `tolerance` standard errors (in the joint sense) of them.
  double tolerance = 1e-5;
  double initialLambda = 1e-3;
  // Rows evaluated at once: the Jacobian held in memory is blockRows x
  // n_parameters doubles.
  std::size_t blockRows = 512;
};

struct LmResult {
  std::vector<double> parameters;
  // n_parameters x n_parameters, row-major, scaled by the reduced chi2;
  // NaN everywhere when the normal matrix is singular at the end.
  std::vector<double> covariance;
  double chi2 = 0;     // at `parameters`
  long long dof = 0;   // n_points - n_parameters
  int iterations = 0;  // steps taken
  bool converged = false;
  bool singular = false;
  // Standard error of parameter k: sqrt(covariance[k][k]).
  double Sigma(std::size_t k) const;
};

// Fits the model to y (n_points values) with the weights `weights` (empty:
// all 1; otherwise positive, same length) from the parameters `start`.
// Requires n_points > n_parameters >= 1; throws std::invalid_argument
// otherwise. The result never has a higher chi2 than the start; when the
// iterations run out or no step lowers chi2 before the minimum is reached,
// `converged` is false and the best parameters found are returned.
LmResult LevenbergMarquardt(std::span<const double> y, std::span<const double> weights,
                            std::span<const double> start, const ModelRows& model,
                            const LmOptions& options = {});

struct LinearFitResult {
  std::vector<double> parameters;
  std::vector<double> covariance;  // as for LmResult; NaN when rank-deficient
  double chi2 = 0;
  long long dof = 0;
  // False when the columns of A are (numerically) dependent: the dependent
  // columns' parameters are then 0 and the covariance NaN.
  bool fullRank = false;
  double Sigma(std::size_t k) const;
};

// The weighted linear fit y ~ A p, with A given row-major (`design`,
// n_points x `columns`), by a column-pivoted Householder QR of W^(1/2) A
// (no normal equations, so no squared condition number). Requires
// n_points > columns >= 1 and design.size() == n_points * columns; throws
// std::invalid_argument otherwise.
LinearFitResult WeightedLinearFit(std::span<const double> design, std::size_t columns,
                                  std::span<const double> y, std::span<const double> weights);

}  // namespace teril

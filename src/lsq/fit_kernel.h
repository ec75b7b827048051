// The inner loops of one linear fit with fixed nonlinear parameters, shared
// by FitWithBasis and the grid search so that a grid point and the refit of
// the same point give bit-for-bit the same coefficients and sum: the same
// additions in the same order, whether the basis values come from the
// model routine point by point or from a table filled beforehand.
//
// Works on fixed arrays only; no allocation.
#pragma once

#include "lsq/invert_matrix.h"
#include "lsq/lsq_state.h"

namespace teril {

// The model rules of a fit besides its basis.
struct FitRules {
  bool wsl = false;      // fewer than 3 wall points: only the constant is fitted
  bool spline = false;   // fewer than 6 points inside [c5, c6]: rejected
  int signIndex = 0;     // 2 (NAV, Mik) or 3 (spline): C[signIndex] must have the
                         // sign of the curvature; 0: no sign rule
  bool curvatureNegative = false;  // truth of CurvatureSign < 0
};

constexpr double kRejectedSum = 1e32;

namespace fitdetail {

template <int M>
struct Sums {
  double a[M + 1][M + 1] = {};
  double b[M + 1] = {};
  int wall = 0;

  void Add(const double* f, double yk, bool wsl) {
    if (wsl && f[2] != 0) ++wall;
#pragma GCC unroll 8
    for (int i = 1; i <= M; ++i) {
      b[i] += f[i] * yk;
#pragma GCC unroll 8
      for (int j = i; j <= M; ++j) a[i][j] += f[i] * f[j];
    }
  }
};

// Inverts the normal system and computes C; false when the fit is rejected
// by the sign rule.
template <int M>
bool Solve(const Sums<M>& sums, const FitRules& rules, LsqSystem& sys, double* C) {
  const int order = (rules.wsl && sums.wall < 3) ? 1 : M;
  for (int i = 1; i <= order; ++i) {
    sys.B[i] = sums.b[i];
    for (int j = i; j <= order; ++j)
      sys.NormalMatrix[i][j] = sys.NormalMatrix[j][i] = sums.a[i][j];
  }
  sys.MatrixOrder = order;
  InvertMatrix(sys);
  for (int i = 1; i <= order; ++i) {
    double c = 0.0;
    for (int j = 1; j <= order; ++j) c += sys.NormalMatrix[i][j] * sys.B[j];
    C[i] = c;
  }
  for (int i = order + 1; i <= M; ++i) C[i] = 0.0;
  return !(rules.signIndex > 0 && (C[rules.signIndex] < 0) != rules.curvatureNegative);
}

template <int M>
inline double Residual(const double* c, const double* f, double yk) {
  double v = 0.0;
#pragma GCC unroll 8
  for (int i = 1; i <= M; ++i) v += c[i] * f[i];
  return yk - v;
}

}  // namespace fitdetail

// Fits y[1..N] with M basis functions whose values at point k are
// table[(k-1)*M + i], i = 1..M (N*M + 1 doubles, filled beforehand; `central` is the
// spline's count of points inside its central interval). Leaves the inverse
// in sys and C[1..M]; returns the residual sum, or kRejectedSum.
template <int M>
double FitTable(int N, const double* y, const FitRules& rules, const double* table, int central,
                LsqSystem& sys, double* C) {
  fitdetail::Sums<M> sums;
  for (int k = 1; k <= N; ++k) sums.Add(table + (k - 1) * M, y[k], rules.wsl);
  if (rules.spline && central < 6) return kRejectedSum;
  if (!fitdetail::Solve<M>(sums, rules, sys, C)) return kRejectedSum;
  double c[M + 1];
  for (int i = 1; i <= M; ++i) c[i] = C[i];
  double sum = 0.0;
  for (int k = 1; k <= N; ++k) {
    const double rk = fitdetail::Residual<M>(c, table + (k - 1) * M, y[k]);
    sum += rk * rk;
  }
  return sum;
}

// The same with the basis evaluated point by point: eval(k, f, central)
// fills f[1..M] of point k (a spline basis decrements `central` for every
// point outside the central interval). Writes the residuals r[1..N];
// `central` and `wall` return the counts of the accumulation pass.
template <int M, class Eval>
double FitEval(int N, const double* y, const FitRules& rules, Eval&& eval, LsqSystem& sys,
               double* C, double* r, int& central, int& wall) {
  fitdetail::Sums<M> sums;
  central = N;
  for (int k = 1; k <= N; ++k) {
    double f[M + 1];
    eval(k, f, central);
    sums.Add(f, y[k], rules.wsl);
  }
  wall = sums.wall;
  if (rules.spline && central < 6) return kRejectedSum;
  if (!fitdetail::Solve<M>(sums, rules, sys, C)) return kRejectedSum;
  double c[M + 1];
  for (int i = 1; i <= M; ++i) c[i] = C[i];
  double sum = 0.0;
  int unused = 0;
  for (int k = 1; k <= N; ++k) {
    double f[M + 1];
    eval(k, f, unused);
    const double rk = fitdetail::Residual<M>(c, f, y[k]);
    r[k] = rk;
    sum += rk * rk;
  }
  return sum;
}

}  // namespace teril

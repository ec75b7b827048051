// The differential corrections of the nonlinear parameters.
#include <cmath>
#include <utility>

#include "engine/engine.h"
#include "extrema/approximate_internal.h"
#include "extrema/models.h"
#include "lsq/invert_matrix.h"

namespace teril {

namespace {

constexpr double kTiny = 1e-14;
constexpr int kMaxCorrections = 100;

void ClearRowColumn(double (&a)[kLsqDim][kLsqDim], int k) {
  for (int i = 1; i < kLsqDim; ++i) {
    a[i][k] = 0.0;
    a[k][i] = 0.0;
  }
}

}  // namespace

ApproximationRun::Step ApproximationRun::Correction() {
  s_.DerivativeMode = true;
  if (s_.n == s_.m) return Step::kFinal;

  s_.ClearSystem();
  ++corrections_;
  a_.corrections = corrections_;
  LoadNonlinear();
  double* C = s_.Coef;
  const double* f = s_.BasisVector;
  for (int k = 1; k <= s_.N; ++k) {
    Basis(s_.u[k]);
    const int m = s_.m, n = s_.n;
    double v = 0.0;
    for (int i = 1; i <= m; ++i) v += C[i] * f[i];
    const double r = s_.y[k] - v;
    for (int i = 1; i <= n; ++i) {
      s_.B[i] += r * f[i];
      for (int j = 1; j <= n; ++j) s_.NormalMatrix[i][j] += f[i] * f[j];
    }
  }
  const int m = s_.m;
  int n = s_.n;
  auto& A = s_.NormalMatrix;

  // AP: a join at an end of the interval stays there.
  heldLeft_ = heldRight_ = false;
  if (method_ == 9) {
    if (s_.c5 == -1.0) {
      ClearRowColumn(A, n - 1);
      A[n - 1][n - 1] = 1.0;
      s_.B[n - 1] = 0.0;
      heldLeft_ = true;
    }
    if (s_.c6 == 1.0) {
      ClearRowColumn(A, n);
      A[n][n] = 1.0;
      s_.B[n] = 0.0;
      n = 4;
      heldRight_ = true;
    }
  }
  s_.n = n;

  double saved[kLsqDim][kLsqDim];
  for (int i = 1; i < n; ++i)
    for (int j = 1; j < n; ++j) saved[i][j] = A[i][j];

  pinned_ = method_ == 10 && s_.c6 == 1e-4;
  s_.MatrixOrder = pinned_ ? n - 1 : n;
  InvertMatrix(s_);
  if (pinned_) ClearRowColumn(A, n);

  if (method_ == 9 && s_.DetRatio < 1e-10 && !heldLeft_ && !heldRight_) {
    // The joins coincide: one common join with the column g5 + g6.
    degenerate_ = true;
    a_.degenerateAp = true;
    ClearRowColumn(A, n);
    n = 4;
    s_.n = n;
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j) A[i][j] = saved[i][j];
    for (int j = 1; j <= 4; ++j) A[4][j] *= 2.0;
    for (int i = 1; i <= 4; ++i) A[i][4] *= 2.0;
    s_.MatrixOrder = 4;
    InvertMatrix(s_);
  }

  if (heldLeft_) ClearRowColumn(A, 4);
  if (heldRight_) ClearRowColumn(A, 5);

  double delta[kLsqDim] = {};
  for (int i = m + 1; i <= n; ++i) {
    double d = 0.0;
    for (int j = 1; j <= n; ++j) d += A[i][j] * s_.B[j];
    delta[i] = d;
  }
  auto big = [&delta](int i) { return std::fabs(delta[i]) > kTiny; };
  const bool tooMany = corrections_ > kMaxCorrections;
  bool goOn = false;

  switch (method_) {
    case 2:
      u0_ += delta[n];
      goOn = big(n) && !tooMany;
      if (!goOn) C[n] = u0_;
      break;
    case 3:
    case 4: {
      for (int i = m + 1; i <= n; ++i) C[i] += delta[i] / 40.0;
      const double lo = U(3), hi = U(s_.N - 3);
      if (C[n - 1] < lo) C[n - 1] = lo;
      if (C[n - 1] > hi) C[n - 1] = hi;
      if (C[n] <= 1.0) C[n] = 1.0;
      if (C[n] > 8.0) C[n] = 8.0;
      goOn = big(n) && big(n - 1) && !tooMany;
      break;
    }
    case 5:
    case 6:
    case 7:
    case 8: {
      for (int i = m + 1; i <= n; ++i) C[i] += delta[i] / 40.0;
      if (C[n] < C[n - 1]) std::swap(C[n], C[n - 1]);
      if (C[n] > U(s_.N - 3)) C[n] = U(s_.N - 3);
      if (C[n - 1] < U(3)) C[n - 1] = U(3);
      goOn = big(n) && big(n - 1) && !tooMany;
      if ((method_ == 8 || method_ == 7) && C[n] - C[n - 1] < 0.01) {
        a_.FallbackFlag = 1;
        if (method_ == 8) {
          Log("Central interval is too small. There is parabola instead of spline.");
          method_ = 1;
          s_.m = 3;
        } else {
          Log("Central interval is too small. There is asymptotic parabola instead of wsap.");
          method_ = 9;
        }
        return Step::kPass;
      }
      break;
    }
    case 9:
      if (n == 5) {
        for (int i = m + 1; i <= n; ++i) C[i] += delta[i] / 10.0;
        if (!heldLeft_ && C[5] < C[4]) std::swap(C[5], C[4]);
        if (!heldLeft_ && C[4] <= -1.0) C[4] = gridC5_;
        if (C[5] >= 1.0) C[5] = gridC6_;
        // A held join has no correction; only the free ones decide.
        goOn = (heldLeft_ || big(4)) && big(5) && !tooMany;
      } else {
        C[4] += delta[4] / 10.0;
        if (degenerate_) {
          C[5] = C[4];
        } else if (C[4] <= -1.0) {
          C[4] = gridC5_;
        }
        goOn = !(heldLeft_ && heldRight_) && big(4) && !tooMany;
      }
      break;
    case 10:
      for (int i = m + 1; i <= n; ++i) C[i] += delta[i] / 100.0;
      if (C[4] < -1.0) C[4] = -1.0;
      if (C[4] > 1.0) C[4] = 1.0;
      if (C[5] <= 1e-4) C[5] = 1e-4;
      if (C[5] > 4.0) C[5] = 4.0;
      if (C[3] < -1.0 || C[3] > 1.0) C[3] = a_.parabolaMoment;
      // With c6 pinned only x0 and c5 were solved for.
      goOn = (pinned_ || big(5)) && big(4) && big(3) && !tooMany;
      break;
    case 11:
      for (int i = m + 1; i <= n; ++i) C[i] += delta[i] / 10.0;
      if (C[4] <= 1e-4) C[4] = 1e-4;
      if (C[5] <= 1e-4) C[5] = 1e-4;
      goOn = big(5) && big(4) && big(3) && !tooMany;
      break;
    default:
      goOn = false;
      break;
  }
  return goOn ? Step::kCycle : Step::kFinal;
}

}  // namespace teril

// The final step of an approximation: residuals, the extremum with its
// errors by method, the central-interval check and the conversion to time.
#include <cmath>

#include "engine/engine.h"
#include "base/numfmt.h"
#include "extrema/approximate_internal.h"
#include "extrema/models.h"
#include "lsq/fit.h"

namespace teril {

namespace {

// sqrt(q), or `fallback` when q is negative or not finite.
double SqrtOr(double q, double fallback) {
  return (q >= 0 && std::isfinite(q)) ? std::sqrt(q) : fallback;
}

double PolyValue(const double* C, int m, double u) {
  double v = 0.0, p = 1.0;
  for (int k = 1; k <= m; ++k) {
    v += C[k] * p;
    p *= u;
  }
  return v;
}

double PolyFirst(const double* C, int m, double u) {
  double v = 0.0, p = 1.0;
  for (int k = 2; k <= m; ++k) {
    v += (k - 1) * C[k] * p;
    p *= u;
  }
  return v;
}

double PolySecond(const double* C, int m, double u) {
  double v = 0.0, p = 1.0;
  for (int k = 3; k <= m; ++k) {
    v += (k - 1) * (k - 2) * C[k] * p;
    p *= u;
  }
  return v;
}

}  // namespace

void ApproximationRun::Residuals() {
  double sum = 0.0;
  const double* f = s_.BasisVector;
  for (int k = 1; k <= s_.N; ++k) {
    Basis(s_.u[k]);
    double v = 0.0;
    for (int i = 1; i <= s_.m; ++i) v += s_.Coef[i] * f[i];
    s_.r[k] = s_.y[k] - v;
    sum += s_.r[k] * s_.r[k];
  }
  s_.ResidualSum = sum;
}

// CoefSigma[k] for k = 1..count; false when some diagonal element of the
// inverse is not positive. Parameters held fixed (skip4, skip5) have no
// error and are not checked.
bool ApproximationRun::SigmaCheck(int count, bool skip4, bool skip5) {
  bool ok = true;
  for (int k = 1; k <= kMaxUnknowns; ++k) a_.CoefSigma[k] = 0.0;
  for (int k = 1; k <= count; ++k) {
    if ((k == 4 && skip4) || (k == 5 && skip5)) continue;
    const double d = s_.NormalMatrix[k][k];
    if (d > 0 && std::isfinite(d)) {
      a_.CoefSigma[k] = SqrtOr(a_.Sigma2 * d, 9999);
    } else {
      a_.CoefSigma[k] = 9999;
      ok = false;
    }
  }
  return ok;
}

ApproximationRun::Step ApproximationRun::Final() {
  if (method_ == 10 || method_ == 11)
    Log(" after iter c5=" + General(s_.c5) + "  c6=" + General(s_.c6) + "  c3=" + General(s_.x0) +
        "  c2=" + General(s_.Coef[2]));

  LoadNonlinear();
  Residuals();
  if (degenerate_) s_.n = 4;
  const int N = s_.N, m = s_.m, n = s_.n;
  const double* C = s_.Coef;
  const auto& A = s_.NormalMatrix;
  a_.Sigma2 = std::isfinite(s_.ResidualSum) ? UnitVariance(s_.ResidualSum, N, n) : 1e32;
  const double sig2 = a_.Sigma2;
  const double c5 = s_.c5, c6 = s_.c6;

  bool skipCheck = false;  // the fit failed: no central-interval check
  double T = 0, sT = 0, M = 0, sM = 0;
  a_.hasDuration = false;
  double D = 0, sD = 0;

  switch (method_) {
    case 1:
    case 2: {
      const bool ok = SigmaCheck(method_ == 1 ? m : n, false, false);
      // Tabulate the polynomial over the interval.
      double P[101];
      double f[kLsqDim];
      for (int k = 0; k <= 100; ++k) {
        const double u = (k - 50) / 50.0;
        if (method_ == 1) {
          P[k] = PolyValue(C, m, u);
        } else {
          SymPolyBasis(m, u0_, u, C, false, f);
          double v = 0.0;
          for (int i = 1; i <= m; ++i) v += C[i] * f[i];
          P[k] = v;
        }
      }
      const bool minimum = s_.CurvatureSign > 0;
      int kb = 0;
      for (int k = 1; k <= 100; ++k)
        if (minimum ? P[k] < P[kb] : P[k] >= P[kb]) kb = k;
      int extrema = 0;
      for (int k = 1; k <= 99; ++k) {
        if (minimum ? (P[k] < P[k - 1] && P[k] < P[k + 1]) : (P[k] > P[k - 1] && P[k] > P[k + 1]))
          ++extrema;
      }
      const bool several = extrema >= 2;
      if (!ok || several) skipCheck = true;
      if (method_ == 2) {
        T = C[n];
        sT = a_.CoefSigma[n];
        M = C[1];
        sM = a_.CoefSigma[1];
        break;
      }
      T = (kb - 50) / 50.0;
      if (!several) {
        for (int it = 0; it < 31; ++it) {
          const double d2 = PolySecond(C, m, T);
          if (d2 == 0 || !std::isfinite(d2)) break;
          const double step = PolyFirst(C, m, T) / d2;
          if (!std::isfinite(step)) break;
          T -= step;
          if (std::fabs(step) < 1e-16) break;
        }
      }
      double q = 0.0, pi = 1.0;
      for (int i = 2; i <= m; ++i) {
        double pj = 1.0;
        for (int j = 2; j <= m; ++j) {
          q += A[i][j] * (i - 1) * pi * (j - 1) * pj;
          pj *= T;
        }
        pi *= T;
      }
      const double d2 = std::fabs(PolySecond(C, m, T));
      sT = (q >= 0 && d2 > 0) ? SqrtOr(sig2 * q, -1) / d2 : -1;
      if (!(sT >= 0) || !std::isfinite(sT)) sT = kFailedSigmaU;
      M = PolyValue(C, m, T);
      PolyBasis(m, T, f);
      double qm = 0.0;
      for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= m; ++j) qm += A[i][j] * f[i] * f[j];
      sM = SqrtOr(sig2 * qm, 9999);
      if (m == 3) a_.parabolaMoment = T;
      break;
    }
    case 3:
    case 4: {
      const bool ok = SigmaCheck(n, false, false);
      T = C[n - 1];
      sT = a_.CoefSigma[n - 1];
      if (!ok || sT >= 1) {
        Log("There is parabola instead of choosed method.");
        a_.FallbackFlag = 1;
        method_ = 1;
        s_.m = 3;
        s_.n = 3;
        return Step::kCycle;
      }
      M = C[1];
      sM = a_.CoefSigma[1];
      break;
    }
    case 5:
    case 6:
    case 7: {
      skipCheck = !SigmaCheck(n, false, false);
      T = (c5 + c6) / 2.0;
      sT = SqrtOr((A[n - 1][n - 1] + 2.0 * A[n - 1][n] + A[n][n]) * sig2 / 4.0, kFailedSigmaU);
      M = C[1];
      sM = SqrtOr(sig2 * A[1][1], 9999);
      a_.hasDuration = true;
      D = c6 - c5;
      sD = SqrtOr((A[n - 1][n - 1] - 2.0 * A[n - 1][n] + A[n][n]) * sig2, 9999);
      break;
    }
    case 8: {
      skipCheck = !SigmaCheck(secondChance_ ? m : n, false, false);
      const double C2 = C[2], C3 = C[3];
      T = -C2 / (2.0 * C3);
      const double q = (C3 * C3 * A[2][2] - 2.0 * C2 * C3 * A[2][3] + C2 * C2 * A[3][3]) * sig2;
      sT = SqrtOr(q, -1);
      sT = sT >= 0 ? sT / (2.0 * C3 * C3) : kFailedSigmaU;
      M = C[1] + C2 * T + C3 * T * T;
      const double r = C2 / C3;
      const double qm = A[1][1] - r * A[1][2] + (r * r / 2.0) * A[1][3] + (r * r / 4.0) * A[2][2] -
                        (r * r * r / 4.0) * A[2][3] + (r * r * r * r / 16.0) * A[3][3];
      sM = SqrtOr(sig2 * qm, 9999);
      a_.hasDuration = true;
      D = c6 - c5;
      sD = 9999;
      break;
    }
    case 9: {
      heldLeft_ = c5 == -1.0;
      heldRight_ = c6 == 1.0;
      skipCheck = !SigmaCheck(n, heldLeft_, heldRight_);
      const double C2 = C[2], C3 = C[3];
      if (degenerate_) {
        T = C[4];
        sT = SqrtOr(sig2 * A[4][4], kFailedSigmaU);
      } else {
        T = (c5 + c6) / 2.0 - C3 / (2.0 * C2);
        const int idx[5] = {1, 2, 3, 4, 5};
        const double g[5] = {0.0, C3 / (2.0 * C2 * C2), -1.0 / (2.0 * C2), heldLeft_ ? 0.0 : 0.5,
                             heldRight_ ? 0.0 : 0.5};
        sT = SqrtOr(sig2 * QuadraticForm(s_, idx, g, 5), kFailedSigmaU);
      }
      s_.ModelCode = 7;
      const int keepN = s_.n;
      EvalBasis(s_, std::isfinite(T) ? T : 0.0);
      s_.n = keepN;
      const double* f = s_.BasisVector;
      double qm = 0.0;
      M = 0.0;
      for (int i = 1; i <= m; ++i) {
        M += C[i] * f[i];
        for (int j = 1; j <= m; ++j) qm += A[i][j] * f[i] * f[j];
      }
      sM = SqrtOr(sig2 * qm, 9999);
      a_.hasDuration = true;
      D = c6 - c5;
      sD = 9999;
      break;
    }
    case 10: {
      skipCheck = !SigmaCheck(n, false, pinned_);
      T = C[n - 2];
      sT = a_.CoefSigma[n - 2];
      M = C[1];
      sM = a_.CoefSigma[1];
      break;
    }
    case 11: {
      skipCheck = !SigmaCheck(n, false, false);
      const double x0 = s_.x0, sum = c5 + c6, lr = std::log(c6 / c5);
      T = x0 + lr / sum;
      const int idx[3] = {3, 4, 5};
      const double g[3] = {1.0, -1.0 / (c5 * sum) - lr / (sum * sum),
                           1.0 / (c6 * sum) - lr / (sum * sum)};
      sT = SqrtOr(sig2 * QuadraticForm(s_, idx, g, 3), kFailedSigmaU);
      s_.ModelCode = 9;
      s_.DerivativeMode = true;
      EvalBasis(s_, std::isfinite(T) ? T : x0);
      const double* f = s_.BasisVector;
      double qm = 0.0;
      M = 0.0;
      for (int i = 1; i <= m; ++i) M += C[i] * f[i];
      for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) qm += A[i][j] * f[i] * f[j];
      sM = SqrtOr(sig2 * qm, 9999);
      break;
    }
    default:
      skipCheck = true;
      break;
  }

  if (skipCheck) sT = kFailedSigmaU;
  if (!std::isfinite(sT)) sT = kFailedSigmaU;
  if (!std::isfinite(sM)) sM = 9999;
  if (!std::isfinite(M)) M = 9999;
  a_.fitFailed = sT == kFailedSigmaU;

  // The moment must lie inside the central interval of the spline and AP.
  const bool central = method_ == 8 || (method_ == 9 && !degenerate_);
  a_.outOfInterval = false;
  if ((central && !skipCheck && (T < c5 || T > c6)) || !std::isfinite(T)) {
    if (!a_.QuietOutOfInterval)
      Log(LongName(method_) + "moment of extremum is out of the central interval. Try another function.");
    T = sT = M = sM = kOutOfInterval;
    a_.outOfInterval = true;
    a_.fitFailed = false;
  }

  const double half = (s_.tR - s_.tL) / 2.0;
  if (!a_.outOfInterval) {
    a_.durationLeft = (T - c5) * half;
    a_.durationRight = (c6 - T) * half;
    T = s_.tL + (s_.tR - s_.tL) * (T + 1.0) / 2.0;
  } else {
    a_.durationLeft = a_.durationRight = 0.0;
  }
  if (sT != kOutOfInterval) sT *= half;
  a_.EclipseDuration = a_.hasDuration ? D * half : 0.0;
  a_.EclipseDurationSigma = !a_.hasDuration ? 0.0 : (sD == 9999 ? 9999 : sD * half);
  if (!a_.hasDuration) a_.durationLeft = a_.durationRight = 0.0;
  a_.c5Time = s_.tL + (s_.tR - s_.tL) * (c5 + 1.0) / 2.0;
  a_.c6Time = s_.tL + (s_.tR - s_.tL) * (c6 + 1.0) / 2.0;

  a_.ExtremumTime = T;
  a_.ExtremumTimeSigma = sT;
  a_.ExtremumMag = M;
  a_.ExtremumMagSigma = sM;
  a_.isMinimum = M >= a_.meanSignal;
  a_.method = method_;
  a_.completed = true;
  a_.corrections = corrections_;

  if (print_ == 1 && a_.finalOutput) a_.finalOutput();
  return Step::kDone;
}

}  // namespace teril

// The final step of an approximation: residuals, the extremum with its
// errors by method, the central-interval check and the conversion to time.
#include <cmath>

#include "base/numfmt.h"
#include "engine/engine.h"
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

// CoefSigma[k] for k = 1..count; false when some diagonal element of the
// inverse is not positive. Parameters held fixed (skip4, skip5) have no
// error and are not checked.
bool SigmaCheck(ApproxRunState& run, int count, bool skip4, bool skip5) {
  bool ok = true;
  double* sigma = run.a.CoefSigma;
  for (int k = 1; k <= kMaxUnknowns; ++k) sigma[k] = 0.0;
  for (int k = 1; k <= count; ++k) {
    if ((k == 4 && skip4) || (k == 5 && skip5)) continue;
    const double d = run.s.NormalMatrix[k][k];
    if (d > 0 && std::isfinite(d)) {
      sigma[k] = SqrtOr(run.a.Sigma2 * d, 9999);
    } else {
      sigma[k] = 9999;
      ok = false;
    }
  }
  return ok;
}

// The polynomial tabulated at u = -1, -0.98, ..., 1: the index of its
// extreme value (the smallest for a minimum) and whether it has several
// local extrema there.
struct Tabulation {
  int best = 0;
  bool several = false;
};
template <typename Value>
Tabulation Tabulate(bool minimum, Value value) {
  double P[101];
  for (int k = 0; k <= 100; ++k) P[k] = value((k - 50) / 50.0);
  Tabulation tab;
  for (int k = 1; k <= 100; ++k)
    if (minimum ? P[k] < P[tab.best] : P[k] >= P[tab.best]) tab.best = k;
  int extrema = 0;
  for (int k = 1; k <= 99; ++k) {
    if (minimum ? (P[k] < P[k - 1] && P[k] < P[k + 1]) : (P[k] > P[k - 1] && P[k] > P[k + 1]))
      ++extrema;
  }
  tab.several = extrema >= 2;
  return tab;
}

// M and sigma M of a model at u from its basis f (coefficients 1..m, the
// covariance over 1..count).
void ValueAndSigma(const ApproxRunState& run, const double* f, int count, ExtremumEstimate& est) {
  const double* C = run.s.Coef;
  const auto& A = run.s.NormalMatrix;
  double qm = 0.0;
  est.M = 0.0;
  for (int i = 1; i <= run.s.m; ++i) est.M += C[i] * f[i];
  for (int i = 1; i <= count; ++i)
    for (int j = 1; j <= count; ++j) qm += A[i][j] * f[i] * f[j];
  est.sM = SqrtOr(run.a.Sigma2 * qm, 9999);
}

}  // namespace

void ApproximationRun::Residuals() {
  double sum = 0.0;
  const double* f = s_.BasisVector;
  for (int k = 1; k <= s_.N; ++k) {
    Entry().basis(st_, s_.u[k]);
    double v = 0.0;
    for (int i = 1; i <= s_.m; ++i) v += s_.Coef[i] * f[i];
    s_.r[k] = s_.y[k] - v;
    sum += s_.r[k] * s_.r[k];
  }
  s_.ResidualSum = sum;
}

ApproxStep ApproximationRun::Final() {
  const MethodEntry& entry = Entry();
  if (entry.hasCentre)
    st_.Log(" after iter c5=" + General(s_.c5) + "  c6=" + General(s_.c6) +
            "  c3=" + General(s_.x0) + "  c2=" + General(s_.Coef[2]));

  LoadNonlinear();
  Residuals();
  if (st_.degenerate) s_.n = 4;
  a_.Sigma2 = std::isfinite(s_.ResidualSum) ? UnitVariance(s_.ResidualSum, s_.N, s_.n) : 1e32;
  a_.hasDuration = false;

  const ExtremumEstimate est = entry.extremum(st_);
  if (est.replace) {
    st_.Log("There is parabola instead of choosed method.");
    a_.FallbackFlag = 1;
    st_.method = Number(entry.failedFit);
    s_.m = 3;
    s_.n = 3;
    return ApproxStep::kCycle;
  }
  StoreResults(est);
  return ApproxStep::kDone;
}

// The checks common to every method, the conversion to time and the
// results in engine.approx.
void ApproximationRun::StoreResults(ExtremumEstimate est) {
  double T = est.T, sT = est.sT, M = est.M, sM = est.sM;
  const double c5 = s_.c5, c6 = s_.c6;
  if (est.failed) sT = kFailedSigmaU;
  if (!std::isfinite(sT)) sT = kFailedSigmaU;
  if (!std::isfinite(sM)) sM = 9999;
  if (!std::isfinite(M)) M = 9999;
  a_.fitFailed = sT == kFailedSigmaU;

  a_.outOfInterval = false;
  if ((est.central && !est.failed && (T < c5 || T > c6)) || !std::isfinite(T)) {
    if (!a_.QuietOutOfInterval)
      st_.Log(LongName(st_.method) +
              "moment of extremum is out of the central interval. Try another function.");
    T = sT = M = sM = kOutOfInterval;
    a_.outOfInterval = true;
    a_.fitFailed = false;
  }

  a_.hasDuration = est.hasDuration;
  const double half = (s_.tR - s_.tL) / 2.0;
  if (!a_.outOfInterval) {
    a_.durationLeft = (T - c5) * half;
    a_.durationRight = (c6 - T) * half;
    T = s_.tL + (s_.tR - s_.tL) * (T + 1.0) / 2.0;
  } else {
    a_.durationLeft = a_.durationRight = 0.0;
  }
  if (sT != kOutOfInterval) sT *= half;
  a_.EclipseDuration = a_.hasDuration ? est.D * half : 0.0;
  a_.EclipseDurationSigma = !a_.hasDuration ? 0.0 : (est.sD == 9999 ? 9999 : est.sD * half);
  if (!a_.hasDuration) a_.durationLeft = a_.durationRight = 0.0;
  a_.c5Time = s_.tL + (s_.tR - s_.tL) * (c5 + 1.0) / 2.0;
  a_.c6Time = s_.tL + (s_.tR - s_.tL) * (c6 + 1.0) / 2.0;

  a_.ExtremumTime = T;
  a_.ExtremumTimeSigma = sT;
  a_.ExtremumMag = M;
  a_.ExtremumMagSigma = sM;
  a_.isMinimum = M >= a_.meanSignal;
  a_.method = st_.method;
  a_.completed = true;
  a_.corrections = st_.corrections;
}

namespace method_steps {

// The vertex of the polynomial: the best tabulated point refined by
// Newton's method, sigma T from the covariance of the derivative.
ExtremumEstimate PolynomialExtremum(ApproxRunState& run) {
  const LsqState& s = run.s;
  const int m = s.m;
  const double* C = s.Coef;
  const auto& A = s.NormalMatrix;
  const double sig2 = run.a.Sigma2;
  ExtremumEstimate est;
  const bool ok = SigmaCheck(run, m, false, false);
  const Tabulation tab =
      Tabulate(s.CurvatureSign > 0, [&](double u) { return PolyValue(C, m, u); });
  est.failed = !ok || tab.several;
  double T = (tab.best - 50) / 50.0;
  if (!tab.several) {
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
  double sT = (q >= 0 && d2 > 0) ? SqrtOr(sig2 * q, -1) / d2 : -1;
  if (!(sT >= 0) || !std::isfinite(sT)) sT = kFailedSigmaU;
  est.T = T;
  est.sT = sT;
  est.M = PolyValue(C, m, T);
  double f[kLsqDim];
  PolyBasis(m, T, f);
  double qm = 0.0;
  for (int i = 1; i <= m; ++i)
    for (int j = 1; j <= m; ++j) qm += A[i][j] * f[i] * f[j];
  est.sM = SqrtOr(sig2 * qm, 9999);
  if (m == 3) run.a.parabolaMoment = T;
  return est;
}

// The centre of the symmetrical polynomial and its value C_1.
ExtremumEstimate SymPolynomialExtremum(ApproxRunState& run) {
  const LsqState& s = run.s;
  const int m = s.m, n = s.n;
  const double* C = s.Coef;
  ExtremumEstimate est;
  const bool ok = SigmaCheck(run, n, false, false);
  const Tabulation tab = Tabulate(s.CurvatureSign > 0, [&](double u) {
    double f[kLsqDim];
    SymPolyBasis(m, run.u0, u, C, false, f);
    double v = 0.0;
    for (int i = 1; i <= m; ++i) v += C[i] * f[i];
    return v;
  });
  est.failed = !ok || tab.several;
  est.T = C[n];
  est.sT = run.a.CoefSigma[n];
  est.M = C[1];
  est.sM = run.a.CoefSigma[1];
  return est;
}

// NAV and Mik: the moment is c5; an error of 1 or more (or none) replaces
// the fit by the parabola.
ExtremumEstimate PowerExtremum(ApproxRunState& run) {
  const int n = run.s.n;
  ExtremumEstimate est;
  const bool ok = SigmaCheck(run, n, false, false);
  est.T = run.s.Coef[n - 1];
  est.sT = run.a.CoefSigma[n - 1];
  if (!ok || est.sT >= 1) {
    est.replace = true;
    return est;
  }
  est.M = run.s.Coef[1];
  est.sM = run.a.CoefSigma[1];
  return est;
}

// WSP, WSL, WSAP: the middle of the central part and its duration.
ExtremumEstimate MidpointExtremum(ApproxRunState& run) {
  const LsqState& s = run.s;
  const int n = s.n;
  const auto& A = s.NormalMatrix;
  const double sig2 = run.a.Sigma2;
  ExtremumEstimate est;
  est.failed = !SigmaCheck(run, n, false, false);
  est.T = (s.c5 + s.c6) / 2.0;
  est.sT = SqrtOr((A[n - 1][n - 1] + 2.0 * A[n - 1][n] + A[n][n]) * sig2 / 4.0, kFailedSigmaU);
  est.M = s.Coef[1];
  est.sM = SqrtOr(sig2 * A[1][1], 9999);
  est.hasDuration = true;
  est.D = s.c6 - s.c5;
  est.sD = SqrtOr((A[n - 1][n - 1] - 2.0 * A[n - 1][n] + A[n][n]) * sig2, 9999);
  return est;
}

// The vertex of the central parabola C1 + C2 u + C3 u^2.
ExtremumEstimate SplineExtremum(ApproxRunState& run) {
  const LsqState& s = run.s;
  const double* C = s.Coef;
  const auto& A = s.NormalMatrix;
  const double sig2 = run.a.Sigma2;
  ExtremumEstimate est;
  est.failed = !SigmaCheck(run, run.secondChance ? s.m : s.n, false, false);
  const double C2 = C[2], C3 = C[3];
  est.T = -C2 / (2.0 * C3);
  const double q = (C3 * C3 * A[2][2] - 2.0 * C2 * C3 * A[2][3] + C2 * C2 * A[3][3]) * sig2;
  const double sT = SqrtOr(q, -1);
  est.sT = sT >= 0 ? sT / (2.0 * C3 * C3) : kFailedSigmaU;
  est.M = C[1] + C2 * est.T + C3 * est.T * est.T;
  const double r = C2 / C3;
  const double qm = A[1][1] - r * A[1][2] + (r * r / 2.0) * A[1][3] + (r * r / 4.0) * A[2][2] -
                    (r * r * r / 4.0) * A[2][3] + (r * r * r * r / 16.0) * A[3][3];
  est.sM = SqrtOr(sig2 * qm, 9999);
  est.central = true;
  est.hasDuration = true;
  est.D = s.c6 - s.c5;
  est.sD = 9999;
  return est;
}

// AP: the vertex of the central parabola, shifted by its linear term.
ExtremumEstimate ApExtremum(ApproxRunState& run) {
  LsqState& s = run.s;
  const double* C = s.Coef;
  const double c5 = s.c5, c6 = s.c6;
  const double sig2 = run.a.Sigma2;
  ExtremumEstimate est;
  run.heldLeft = c5 == -1.0;
  run.heldRight = c6 == 1.0;
  est.failed = !SigmaCheck(run, s.n, run.heldLeft, run.heldRight);
  const double C2 = C[2], C3 = C[3];
  if (run.degenerate) {
    est.T = C[4];
    est.sT = SqrtOr(sig2 * s.NormalMatrix[4][4], kFailedSigmaU);
  } else {
    est.T = (c5 + c6) / 2.0 - C3 / (2.0 * C2);
    const int idx[5] = {1, 2, 3, 4, 5};
    const double g[5] = {0.0, C3 / (2.0 * C2 * C2), -1.0 / (2.0 * C2), run.heldLeft ? 0.0 : 0.5,
                         run.heldRight ? 0.0 : 0.5};
    est.sT = SqrtOr(sig2 * QuadraticForm(s, idx, g, 5), kFailedSigmaU);
  }
  s.ModelCode = 7;
  const int keepN = s.n;
  EvalBasis(s, std::isfinite(est.T) ? est.T : 0.0);
  s.n = keepN;
  ValueAndSigma(run, s.BasisVector, s.m, est);
  est.central = !run.degenerate;
  est.hasDuration = true;
  est.D = c6 - c5;
  est.sD = 9999;
  return est;
}

// BSK: the moment is x0.
ExtremumEstimate BskExtremum(ApproxRunState& run) {
  const int n = run.s.n;
  ExtremumEstimate est;
  est.failed = !SigmaCheck(run, n, false, run.pinned);
  est.T = run.s.Coef[n - 2];
  est.sT = run.a.CoefSigma[n - 2];
  est.M = run.s.Coef[1];
  est.sM = run.a.CoefSigma[1];
  return est;
}

// Sech: the maximum of the model, x0 + ln(c6/c5)/(c5 + c6).
ExtremumEstimate SechExtremum(ApproxRunState& run) {
  LsqState& s = run.s;
  const double c5 = s.c5, c6 = s.c6;
  ExtremumEstimate est;
  est.failed = !SigmaCheck(run, s.n, false, false);
  const double x0 = s.x0, sum = c5 + c6, lr = std::log(c6 / c5);
  est.T = x0 + lr / sum;
  const int idx[3] = {3, 4, 5};
  const double g[3] = {1.0, -1.0 / (c5 * sum) - lr / (sum * sum),
                       1.0 / (c6 * sum) - lr / (sum * sum)};
  est.sT = SqrtOr(run.a.Sigma2 * QuadraticForm(s, idx, g, 3), kFailedSigmaU);
  s.ModelCode = 9;
  s.DerivativeMode = true;
  EvalBasis(s, std::isfinite(est.T) ? est.T : x0);
  ValueAndSigma(run, s.BasisVector, s.n, est);
  return est;
}

}  // namespace method_steps

}  // namespace teril

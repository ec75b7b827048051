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

bool CorrectionStep::Big(int i) const { return std::fabs(delta[i]) > kTiny; }

ApproxStep ApproximationRun::Correction() {
  const MethodEntry& entry = Entry();
  s_.DerivativeMode = true;
  if (s_.n == s_.m) return ApproxStep::kFinal;

  s_.ClearSystem();
  ++st_.corrections;
  a_.corrections = st_.corrections;
  LoadNonlinear();
  const double* C = s_.Coef;
  const double* f = s_.BasisVector;
  for (int k = 1; k <= s_.N; ++k) {
    entry.basis(st_, s_.u[k]);
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
  st_.heldLeft = st_.heldRight = false;
  st_.pinned = false;
  const int n = entry.solve(st_, s_.n);

  double delta[kLsqDim] = {};
  for (int i = m + 1; i <= n; ++i) {
    double d = 0.0;
    for (int j = 1; j <= n; ++j) d += s_.NormalMatrix[i][j] * s_.B[j];
    delta[i] = d;
  }
  if (!entry.correct) return ApproxStep::kFinal;
  return entry.correct(st_, CorrectionStep{delta, m, n, st_.corrections > kMaxCorrections});
}

namespace method_steps {

int SolveAll(ApproxRunState& run, int n) {
  run.s.MatrixOrder = n;
  InvertMatrix(run.s);
  return n;
}

// A join at an end of the interval stays there; joins that coincide become
// one common join with the column g5 + g6.
int SolveAp(ApproxRunState& run, int n) {
  LsqState& s = run.s;
  auto& A = s.NormalMatrix;
  if (s.c5 == -1.0) {
    ClearRowColumn(A, n - 1);
    A[n - 1][n - 1] = 1.0;
    s.B[n - 1] = 0.0;
    run.heldLeft = true;
  }
  if (s.c6 == 1.0) {
    ClearRowColumn(A, n);
    A[n][n] = 1.0;
    s.B[n] = 0.0;
    n = 4;
    run.heldRight = true;
  }
  s.n = n;

  double saved[kLsqDim][kLsqDim];
  for (int i = 1; i < n; ++i)
    for (int j = 1; j < n; ++j) saved[i][j] = A[i][j];
  s.MatrixOrder = n;
  InvertMatrix(s);

  if (s.DetRatio < 1e-10 && !run.heldLeft && !run.heldRight) {
    run.degenerate = true;
    run.a.degenerateAp = true;
    ClearRowColumn(A, n);
    n = 4;
    s.n = n;
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j) A[i][j] = saved[i][j];
    for (int j = 1; j <= 4; ++j) A[4][j] *= 2.0;
    for (int i = 1; i <= 4; ++i) A[i][4] *= 2.0;
    s.MatrixOrder = 4;
    InvertMatrix(s);
  }

  if (run.heldLeft) ClearRowColumn(A, 4);
  if (run.heldRight) ClearRowColumn(A, 5);
  return n;
}

// With c6 at its lower bound 1e-4 only x0 and c5 are solved for.
int SolveBsk(ApproxRunState& run, int n) {
  LsqState& s = run.s;
  run.pinned = s.c6 == 1e-4;
  s.MatrixOrder = run.pinned ? n - 1 : n;
  InvertMatrix(s);
  if (run.pinned) ClearRowColumn(s.NormalMatrix, n);
  return n;
}

ApproxStep CorrectCentre(ApproxRunState& run, const CorrectionStep& step) {
  const int n = step.n;
  run.u0 += step.delta[n];
  const bool goOn = step.Big(n) && !step.tooMany;
  if (!goOn) run.s.Coef[n] = run.u0;
  return goOn ? ApproxStep::kCycle : ApproxStep::kFinal;
}

ApproxStep CorrectPower(ApproxRunState& run, const CorrectionStep& step) {
  double* C = run.s.Coef;
  const int n = step.n;
  for (int i = step.m + 1; i <= n; ++i) C[i] += step.delta[i] / 40.0;
  const double lo = run.U(3), hi = run.U(run.s.N - 3);
  if (C[n - 1] < lo) C[n - 1] = lo;
  if (C[n - 1] > hi) C[n - 1] = hi;
  if (C[n] <= 1.0) C[n] = 1.0;
  if (C[n] > 8.0) C[n] = 8.0;
  const bool goOn = step.Big(n) && step.Big(n - 1) && !step.tooMany;
  return goOn ? ApproxStep::kCycle : ApproxStep::kFinal;
}

// WSP, WSL, WSAP and the spline: the joins stay ordered and inside the
// points 3..N-3; a central part narrower than 0.01 gives way to the
// method's simpler model.
ApproxStep CorrectWalls(ApproxRunState& run, const CorrectionStep& step) {
  double* C = run.s.Coef;
  const int n = step.n;
  for (int i = step.m + 1; i <= n; ++i) C[i] += step.delta[i] / 40.0;
  if (C[n] < C[n - 1]) std::swap(C[n], C[n - 1]);
  if (C[n] > run.U(run.s.N - 3)) C[n] = run.U(run.s.N - 3);
  if (C[n - 1] < run.U(3)) C[n - 1] = run.U(3);
  const bool goOn = step.Big(n) && step.Big(n - 1) && !step.tooMany;
  const Method simpler = MethodEntryOf(run.method).narrowCentre;
  if (simpler != Method::kNone && C[n] - C[n - 1] < 0.01) {
    run.a.FallbackFlag = 1;
    if (simpler == Method::kPolynomial) {
      run.Log("Central interval is too small. There is parabola instead of spline.");
      run.s.m = 3;
    } else {
      run.Log("Central interval is too small. There is asymptotic parabola instead of wsap.");
    }
    run.method = Number(simpler);
    return ApproxStep::kPass;
  }
  return goOn ? ApproxStep::kCycle : ApproxStep::kFinal;
}

ApproxStep CorrectAp(ApproxRunState& run, const CorrectionStep& step) {
  double* C = run.s.Coef;
  const bool held = run.heldLeft;
  bool goOn;
  if (step.n == 5) {
    for (int i = step.m + 1; i <= step.n; ++i) C[i] += step.delta[i] / 10.0;
    if (!held && C[5] < C[4]) std::swap(C[5], C[4]);
    if (!held && C[4] <= -1.0) C[4] = run.gridC5;
    if (C[5] >= 1.0) C[5] = run.gridC6;
    // A held join has no correction; only the free ones decide.
    goOn = (held || step.Big(4)) && step.Big(5) && !step.tooMany;
  } else {
    C[4] += step.delta[4] / 10.0;
    if (run.degenerate) {
      C[5] = C[4];
    } else if (C[4] <= -1.0) {
      C[4] = run.gridC5;
    }
    goOn = !(held && run.heldRight) && step.Big(4) && !step.tooMany;
  }
  return goOn ? ApproxStep::kCycle : ApproxStep::kFinal;
}

ApproxStep CorrectBsk(ApproxRunState& run, const CorrectionStep& step) {
  double* C = run.s.Coef;
  for (int i = step.m + 1; i <= step.n; ++i) C[i] += step.delta[i] / 100.0;
  if (C[4] < -1.0) C[4] = -1.0;
  if (C[4] > 1.0) C[4] = 1.0;
  if (C[5] <= 1e-4) C[5] = 1e-4;
  if (C[5] > 4.0) C[5] = 4.0;
  if (C[3] < -1.0 || C[3] > 1.0) C[3] = run.a.parabolaMoment;
  // With c6 pinned only x0 and c5 were solved for.
  const bool goOn = (run.pinned || step.Big(5)) && step.Big(4) && step.Big(3) && !step.tooMany;
  return goOn ? ApproxStep::kCycle : ApproxStep::kFinal;
}

ApproxStep CorrectSech(ApproxRunState& run, const CorrectionStep& step) {
  double* C = run.s.Coef;
  for (int i = step.m + 1; i <= step.n; ++i) C[i] += step.delta[i] / 10.0;
  if (C[4] <= 1e-4) C[4] = 1e-4;
  if (C[5] <= 1e-4) C[5] = 1e-4;
  const bool goOn = step.Big(5) && step.Big(4) && step.Big(3) && !step.tooMany;
  return goOn ? ApproxStep::kCycle : ApproxStep::kFinal;
}

}  // namespace method_steps

}  // namespace teril

#include "extrema/approximate.h"

#include <cmath>
#include <string>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/approximate_internal.h"
#include "extrema/models.h"
#include "extrema/scan_nonlinear.h"
#include "lsq/fit.h"
#include "lsq/invert_matrix.h"

namespace teril {

ApproxRunState::ApproxRunState(Engine& engine, int& m)
    : e(engine), s(engine.lsq), a(engine.approx), method(m) {}

double ApproxRunState::U(int i) const { return (i >= 1 && i <= s.N) ? s.u[i] : 0.0; }

void ApproxRunState::Log(const std::string& line) const { e.console.LogLine(line); }

int ParamsOfMethod(const MethodEntry& entry, int m) {
  if (entry.modelCode == 0) return m + entry.extraParams;
  return ModelParamCount(entry.modelCode);
}

ApproximationRun::ApproximationRun(Engine& engine, int& method)
    : st_(engine, method), s_(engine.lsq), a_(engine.approx) {}

bool ApproximationRun::TooFewPoints() {
  if (s_.N >= s_.n && s_.N >= 2 && s_.tR != s_.tL) return false;
  st_.Log("Number of points too small.");
  st_.Log("Number of coef = " + General(static_cast<double>(s_.n)));
  a_.ExtremumTimeSigma = kTooFewPoints;
  a_.completed = false;
  a_.method = st_.method;
  return true;
}

// Steps 4 to 8: one pass with the current method.
ApproxStep ApproximationRun::StartPass() {
  const MethodEntry& entry = Entry();
  s_.MethodNumber = st_.method;
  st_.u0 = 0.0;
  s_.DerivativeMode = false;
  for (int i = 1; i <= kMaxUnknowns; ++i) s_.Coef[i] = 0.0;
  if (entry.modelCode != 0) {
    s_.ModelCode = entry.modelCode;
  } else {
    s_.n = ParamsOfMethod(entry, s_.m);
  }

  double sum = 0.0;
  for (int k = 1; k <= s_.N; ++k) sum += s_.y[k];
  a_.meanSignal = s_.N > 0 ? sum / s_.N : 0.0;

  if (entry.modelCode != 0) {
    if (entry.hasCentre) {
      s_.x0 = 0.0;
      s_.c5 = s_.c6 = 1.0;
    }
    ScanNonlinear(st_.e);
    StoreGridValues();
  }

  if (entry.noncentralCheck && s_.c5 <= st_.U(3) && s_.c6 >= st_.U(s_.N - 2)) {
    st_.Log("Noncentral intervals are too small. There is parabola instead.");
    st_.method = Number(Method::kPolynomial);
    s_.m = 3;
    return ApproxStep::kPass;
  }
  if (TooFewPoints()) return ApproxStep::kDone;
  return ApproxStep::kCycle;
}

void ApproximationRun::StoreGridValues() {
  st_.gridC5 = s_.c5;
  st_.gridC6 = s_.c6;
  const int n = s_.n;
  s_.Coef[n - 1] = s_.c5;
  s_.Coef[n] = s_.c6;
  if (Entry().hasCentre) s_.Coef[n - 2] = s_.x0;
}

void ApproximationRun::LoadNonlinear() {
  const MethodEntry& entry = Entry();
  if (entry.modelCode == 0) return;
  const int n = ModelParamCount(entry.modelCode);
  s_.c5 = s_.Coef[n - 1];
  s_.c6 = s_.Coef[n];
  if (entry.hasCentre) s_.x0 = s_.Coef[n - 2];
}

// Steps 10 to 13.
ApproxStep ApproximationRun::LinearFit() {
  const MethodEntry& entry = Entry();
  s_.DerivativeMode = false;
  s_.ClearSystem();
  s_.centralPoints = s_.N;
  const double* f = s_.BasisVector;
  for (int k = 1; k <= s_.N; ++k) {
    entry.basis(st_, s_.u[k]);
    const int m = s_.m;
    for (int i = 1; i <= m; ++i) {
      s_.B[i] += f[i] * s_.y[k];
      for (int j = 1; j <= m; ++j) s_.NormalMatrix[i][j] += f[i] * f[j];
    }
  }
  const int m = s_.m;
  s_.MatrixOrder = m;
  InvertMatrix(s_);

  if (s_.DetRatio <= 1e-10) {
    if (entry.singularParams != 0) s_.n = entry.singularParams;
    if (s_.n != s_.m) return ApproxStep::kCorrection;
  }
  for (int i = 1; i <= m; ++i) {
    double c = 0.0;
    for (int j = 1; j <= m; ++j) c += s_.NormalMatrix[i][j] * s_.B[j];
    s_.Coef[i] = c;
  }
  for (int i = s_.n + 1; i <= kMaxUnknowns; ++i) s_.Coef[i] = 0.0;
  if (entry.curvatureM == m) s_.CurvatureSign = s_.Coef[m];

  if (entry.wrongCurvature != Method::kNone && (s_.Coef[2] >= 0) != (s_.CurvatureSign >= 0)) {
    st_.Log("The central part is curved in the wrong direction. WSL instead of choosen method");
    st_.method = Number(entry.wrongCurvature);
    return ApproxStep::kPass;
  }
  return entry.afterFit ? entry.afterFit(st_) : ApproxStep::kCorrection;
}

void ApproximationRun::Loop(ApproxStep step) {
  while (step != ApproxStep::kDone) {
    switch (step) {
      case ApproxStep::kPass:
        step = StartPass();
        if (step == ApproxStep::kCycle) {
          st_.corrections = 0;
          st_.degenerate = false;
        }
        break;
      case ApproxStep::kCycle:
        step = LinearFit();
        break;
      case ApproxStep::kCorrection:
        step = Correction();
        break;
      case ApproxStep::kFinal:
        step = Final();
        break;
      case ApproxStep::kDone:
        break;
    }
  }
}

void ApproximationRun::Run() {
  a_.completed = false;
  a_.fitFailed = false;
  a_.outOfInterval = false;
  a_.hasDuration = false;
  a_.degenerateAp = false;
  a_.corrections = 0;
  a_.FallbackFlag = 0;
  st_.secondChance = false;

  const auto& v = st_.e.view;
  const int first = v.firstVisible < 1 ? 1 : v.firstVisible;
  const int last = v.lastVisible > st_.e.data.n ? st_.e.data.n : v.lastVisible;
  NormaliseInterval(s_, st_.e.data, first, last, v.tMin, v.tMax);
  if (s_.N < 2 || s_.tR == s_.tL) {
    // No interval to map onto [-1, 1]: nothing can be fitted.
    s_.n = ParamsOfMethod(Entry(), s_.m);
    TooFewPoints();
    return;
  }
  Loop(ApproxStep::kPass);
}

void ApproximationRun::RunCycleFromCurrent() {
  a_.completed = false;
  a_.fitFailed = false;
  a_.outOfInterval = false;
  a_.FallbackFlag = 0;
  st_.secondChance = false;
  s_.MethodNumber = st_.method;
  const MethodEntry& entry = Entry();
  if (entry.modelCode != 0) {
    s_.ModelCode = entry.modelCode;
    s_.m = ModelLinearCount(s_.ModelCode);
    s_.n = ModelParamCount(s_.ModelCode);
    StoreGridValues();
  } else {
    s_.n = ParamsOfMethod(entry, s_.m);
  }
  double sum = 0.0;
  for (int k = 1; k <= s_.N; ++k) sum += s_.y[k];
  a_.meanSignal = s_.N > 0 ? sum / s_.N : 0.0;
  if (TooFewPoints()) return;
  st_.corrections = 0;
  st_.degenerate = false;
  Loop(ApproxStep::kCycle);
}

ApproximationResult Approximate(Engine& engine, Method method) {
  int number = Number(method);
  ApproximationRun run(engine, number);
  run.Run();
  const LsqState& s = engine.lsq;
  ApproximationResult r;
  static_cast<ExtremumResults&>(r) = engine.approx;
  r.requested = method;
  r.method = MethodOf(number);
  r.m = s.m;
  r.n = s.n;
  for (int k = 1; k < kLsqDim; ++k) r.Coef[k] = s.Coef[k];
  return r;
}

ApproximationResult Approximate(Engine& engine, int& method) {
  ApproximationResult r = Approximate(engine, MethodOf(method));
  // An unknown number runs as the polynomial but keeps its number.
  if (r.method != Method::kNone) method = Number(r.method);
  return r;
}

}  // namespace teril

#include "extrema/approximate.h"

#include <cmath>
#include <string>

#include "engine/engine.h"
#include "base/numfmt.h"
#include "extrema/approximate_internal.h"
#include "extrema/models.h"
#include "extrema/scan_nonlinear.h"
#include "lsq/fit.h"
#include "lsq/invert_matrix.h"

namespace teril {

namespace {

// Number of parameters of a method before any fit: the polynomial has m,
// the symmetrical polynomial m + 1, the others those of their model.
int ParamsOfMethod(int method, int m) {
  if (method == 1) return m;
  if (method == 2) return m + 1;
  return ModelParamCount(ModelCodeOf(method));
}

}  // namespace

ApproximationRun::ApproximationRun(Engine& engine, int& method, int printResults)
    : e_(engine), s_(engine.lsq), a_(engine.approx), method_(method), print_(printResults) {}

double ApproximationRun::U(int i) const { return (i >= 1 && i <= s_.N) ? s_.u[i] : 0.0; }

void ApproximationRun::Log(const std::string& line) { e_.console.LogLine(line); }

bool ApproximationRun::TooFewPoints() {
  if (s_.N >= s_.n && s_.N >= 2 && s_.tR != s_.tL) return false;
  Log("Number of points too small.");
  Log("Number of coef = " + General(static_cast<double>(s_.n)));
  a_.ExtremumTimeSigma = kTooFewPoints;
  a_.completed = false;
  a_.method = method_;
  return true;
}

// Steps 4 to 8: one pass with the current method. Returns false when the
// call ends early.
ApproximationRun::Step ApproximationRun::StartPass() {
  s_.MethodNumber = method_;
  u0_ = 0.0;
  s_.DerivativeMode = false;
  for (int i = 1; i <= kMaxUnknowns; ++i) s_.Coef[i] = 0.0;
  if (method_ >= 3) s_.ModelCode = ModelCodeOf(method_);
  if (method_ == 1) s_.n = s_.m;
  if (method_ == 2) s_.n = s_.m + 1;

  double sum = 0.0;
  for (int k = 1; k <= s_.N; ++k) sum += s_.y[k];
  a_.meanSignal = s_.N > 0 ? sum / s_.N : 0.0;

  if (method_ >= 3) {
    if (method_ == 10 || method_ == 11) {
      s_.x0 = 0.0;
      s_.c5 = s_.c6 = 1.0;
    }
    ScanNonlinear(e_);
    StoreGridValues();
  }

  if ((method_ == 5 || method_ == 7 || method_ == 8 || method_ == 9) && s_.c5 <= U(3) &&
      s_.c6 >= U(s_.N - 2)) {
    Log("Noncentral intervals are too small. There is parabola instead.");
    method_ = 1;
    s_.m = 3;
    return Step::kPass;
  }
  if (TooFewPoints()) return Step::kDone;
  return Step::kCycle;
}

void ApproximationRun::StoreGridValues() {
  gridC5_ = s_.c5;
  gridC6_ = s_.c6;
  const int n = s_.n;
  s_.Coef[n - 1] = s_.c5;
  s_.Coef[n] = s_.c6;
  if (method_ == 10 || method_ == 11) s_.Coef[n - 2] = s_.x0;
}

// The basis of the current method at u into f (BasisVector).
void ApproximationRun::Basis(double u) {
  if (method_ == 1) {
    PolyBasis(s_.m, u, s_.BasisVector);
    s_.n = s_.m;
  } else if (method_ == 2) {
    SymPolyBasis(s_.m, u0_, u, s_.Coef, s_.DerivativeMode, s_.BasisVector);
    s_.n = s_.m + 1;
  } else {
    EvalBasis(s_, u);
  }
}

void ApproximationRun::LoadNonlinear() {
  if (method_ < 3) return;
  const int n = ModelParamCount(ModelCodeOf(method_));
  s_.c5 = s_.Coef[n - 1];
  s_.c6 = s_.Coef[n];
  if (method_ == 10 || method_ == 11) s_.x0 = s_.Coef[n - 2];
}

// Steps 10 to 13.
ApproximationRun::Step ApproximationRun::LinearFit() {
  s_.DerivativeMode = false;
  s_.ClearSystem();
  s_.centralPoints = s_.N;
  const double* f = s_.BasisVector;
  for (int k = 1; k <= s_.N; ++k) {
    Basis(s_.u[k]);
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
    if (method_ == 9) s_.n = 4;
    if (s_.n != s_.m) return Step::kCorrection;
  }
  for (int i = 1; i <= m; ++i) {
    double c = 0.0;
    for (int j = 1; j <= m; ++j) c += s_.NormalMatrix[i][j] * s_.B[j];
    s_.Coef[i] = c;
  }
  for (int i = s_.n + 1; i <= kMaxUnknowns; ++i) s_.Coef[i] = 0.0;
  if (method_ == 2 && m == 2) s_.CurvatureSign = s_.Coef[2];
  if (method_ == 1 && m == 3) s_.CurvatureSign = s_.Coef[3];

  if (method_ == 9 && s_.c5 == -1.0 && s_.c6 == 1.0) return Step::kFinal;
  if ((method_ == 5 || method_ == 7) && (s_.Coef[2] >= 0) != (s_.CurvatureSign >= 0)) {
    Log("The central part is curved in the wrong direction. WSL instead of choosen method");
    method_ = 6;
    return Step::kPass;
  }
  if (method_ == 8 && corrections_ >= 1 && s_.centralPoints < 6 && !secondChance_) {
    secondChance_ = true;
    s_.c5 = gridC5_;
    s_.c6 = gridC6_;
    s_.Coef[s_.n - 1] = gridC5_;
    s_.Coef[s_.n] = gridC6_;
    return Step::kCycle;
  }
  if (secondChance_ && method_ == 8) return Step::kFinal;
  return Step::kCorrection;
}

}  // namespace teril

namespace teril {

void ApproximationRun::Loop(Step step) {
  while (step != Step::kDone) {
    switch (step) {
      case Step::kPass:
        step = StartPass();
        if (step == Step::kCycle) {
          corrections_ = 0;
          degenerate_ = false;
        }
        break;
      case Step::kCycle:
        step = LinearFit();
        break;
      case Step::kCorrection:
        step = Correction();
        break;
      case Step::kFinal:
        step = Final();
        break;
      case Step::kDone:
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
  secondChance_ = false;

  const auto& v = e_.view;
  const int first = v.firstVisible < 1 ? 1 : v.firstVisible;
  const int last = v.lastVisible > e_.data.n ? e_.data.n : v.lastVisible;
  NormaliseInterval(s_, e_.data, first, last, v.tMin, v.tMax);
  if (s_.N < 2 || s_.tR == s_.tL) {
    // No interval to map onto [-1, 1]: nothing can be fitted.
    s_.n = ParamsOfMethod(method_, s_.m);
    TooFewPoints();
    return;
  }
  Loop(Step::kPass);
}

void ApproximationRun::RunCycleFromCurrent() {
  a_.completed = false;
  a_.fitFailed = false;
  a_.outOfInterval = false;
  a_.FallbackFlag = 0;
  secondChance_ = false;
  s_.MethodNumber = method_;
  if (method_ >= 3) {
    s_.ModelCode = ModelCodeOf(method_);
    s_.m = ModelLinearCount(s_.ModelCode);
    s_.n = ModelParamCount(s_.ModelCode);
    StoreGridValues();
  } else {
    s_.n = ParamsOfMethod(method_, s_.m);
  }
  double sum = 0.0;
  for (int k = 1; k <= s_.N; ++k) sum += s_.y[k];
  a_.meanSignal = s_.N > 0 ? sum / s_.N : 0.0;
  if (TooFewPoints()) return;
  corrections_ = 0;
  degenerate_ = false;
  Loop(Step::kCycle);
}

void Approximate(Engine& engine, int& method, int printResults) {
  ApproximationRun run(engine, method, printResults);
  run.Run();
}

}  // namespace teril

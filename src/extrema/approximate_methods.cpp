// The table of the approximation methods: one entry a method, naming what
// each step of the engine does for it.
#include "engine/engine.h"
#include "extrema/approximate_internal.h"
#include "extrema/models.h"

namespace teril {

namespace method_steps {

void PolynomialBasis(ApproxRunState& run, double u) {
  PolyBasis(run.s.m, u, run.s.BasisVector);
  run.s.n = run.s.m;
}

void SymPolynomialBasis(ApproxRunState& run, double u) {
  LsqState& s = run.s;
  SymPolyBasis(s.m, run.u0, u, s.Coef, s.DerivativeMode, s.BasisVector);
  s.n = s.m + 1;
}

void ModelBasis(ApproxRunState& run, double u) { EvalBasis(run.s, u); }

namespace {

// AP with both joins at the interval ends is the parabola: nothing to correct.
ApproxStep ApAfterFit(ApproxRunState& run) {
  if (run.s.c5 == -1.0 && run.s.c6 == 1.0) return ApproxStep::kFinal;
  return ApproxStep::kCorrection;
}

// A spline whose central part holds fewer than 6 points after a correction
// starts once more from the grid values, and then takes that fit as it is.
ApproxStep SplineAfterFit(ApproxRunState& run) {
  LsqState& s = run.s;
  if (run.corrections >= 1 && s.centralPoints < 6 && !run.secondChance) {
    run.secondChance = true;
    s.c5 = run.gridC5;
    s.c6 = run.gridC6;
    s.Coef[s.n - 1] = run.gridC5;
    s.Coef[s.n] = run.gridC6;
    return ApproxStep::kCycle;
  }
  if (run.secondChance) return ApproxStep::kFinal;
  return ApproxStep::kCorrection;
}

constexpr Method kNo = Method::kNone;

// By method number; entry 0 stands for any unknown number.
const MethodEntry kMethods[kMethodCount + 1] = {
    // method, model, extra, curvatureM, centre, noncentral, singular,
    // wrong curvature, narrow centre, failed fit, basis, afterFit, solve, correct, extremum
    {Method::kNone, 0, 0, 0, false, false, 0, kNo, kNo, kNo, PolynomialBasis, nullptr, SolveAll,
     nullptr, PolynomialExtremum},
    {Method::kPolynomial, 0, 0, 3, false, false, 0, kNo, kNo, kNo, PolynomialBasis, nullptr,
     SolveAll, nullptr, PolynomialExtremum},
    {Method::kSymPolynomial, 0, 1, 2, false, false, 0, kNo, kNo, kNo, SymPolynomialBasis, nullptr,
     SolveAll, CorrectCentre, SymPolynomialExtremum},
    {Method::kNav, 3, 0, 0, false, false, 0, kNo, kNo, Method::kPolynomial, ModelBasis, nullptr,
     SolveAll, CorrectPower, PowerExtremum},
    {Method::kMik, 4, 0, 0, false, false, 0, kNo, kNo, Method::kPolynomial, ModelBasis, nullptr,
     SolveAll, CorrectPower, PowerExtremum},
    {Method::kWsp, 1, 0, 0, false, true, 0, Method::kWsl, kNo, kNo, ModelBasis, nullptr, SolveAll,
     CorrectWalls, MidpointExtremum},
    {Method::kWsl, 2, 0, 0, false, false, 0, kNo, kNo, kNo, ModelBasis, nullptr, SolveAll,
     CorrectWalls, MidpointExtremum},
    {Method::kWsap, 5, 0, 0, false, true, 0, Method::kWsl, Method::kAp, kNo, ModelBasis, nullptr,
     SolveAll, CorrectWalls, MidpointExtremum},
    {Method::kSpline, 6, 0, 0, false, true, 0, kNo, Method::kPolynomial, kNo, ModelBasis,
     SplineAfterFit, SolveAll, CorrectWalls, SplineExtremum},
    {Method::kAp, 7, 0, 0, false, true, 4, kNo, kNo, kNo, ModelBasis, ApAfterFit, SolveAp,
     CorrectAp, ApExtremum},
    {Method::kBsk, 8, 0, 0, true, false, 0, kNo, kNo, kNo, ModelBasis, nullptr, SolveBsk,
     CorrectBsk, BskExtremum},
    {Method::kSech, 9, 0, 0, true, false, 0, kNo, kNo, kNo, ModelBasis, nullptr, SolveAll,
     CorrectSech, SechExtremum},
};

}  // namespace

}  // namespace method_steps

const MethodEntry& MethodEntryOf(int method) {
  if (method < 1 || method > kMethodCount) return method_steps::kMethods[0];
  return method_steps::kMethods[method];
}

}  // namespace teril

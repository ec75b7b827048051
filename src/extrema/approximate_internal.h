// The steps of one Approximate call and the table of the methods they use.
// Internal to the engine; the tests reach single steps and entries through it.
#pragma once

#include <string>

#include "extrema/models.h"

namespace teril {

class Engine;
struct LsqState;
struct ApproxState;

enum class ApproxStep { kPass, kCycle, kCorrection, kFinal, kDone };

// The working state of one call, shared by the steps and the table entries.
struct ApproxRunState {
  ApproxRunState(Engine& engine, int& method);

  Engine& e;
  LsqState& s;
  ApproxState& a;
  int& method;  // the method of the current pass (fallbacks change it)

  double u0 = 0.0;  // centre of the symmetrical polynomial
  double gridC5 = 0.0, gridC6 = 0.0;
  bool secondChance = false;  // spline: the grid values once more
  int corrections = 0;
  bool degenerate = false;                   // AP: both joins move as one
  bool heldLeft = false, heldRight = false;  // AP joins held at the interval ends
  bool pinned = false;                       // BSK with c6 at its lower bound 1e-4

  // u of point i, 0 outside 1..N.
  double U(int i) const;
  void Log(const std::string& line) const;
};

// The moment and value of the extremum of a finished fit, in u.
struct ExtremumEstimate {
  double T = 0, sT = 0, M = 0, sM = 0;
  bool failed = false;       // the errors could not be formed: sigma T is the failure value
  bool central = false;      // the moment must lie inside [c5, c6]
  bool hasDuration = false;  // D = c6 - c5 with sigma sD (9999: none)
  double D = 0, sD = 0;
  bool replace = false;  // the fit is not usable: the method's `failedFit` instead
};

// One differential correction: the solved steps delta[m+1..n] of the
// nonlinear parameters, applied to Coef by the method's `correct`.
struct CorrectionStep {
  const double* delta;
  int m, n;
  bool tooMany;  // more than the allowed number of corrections
  bool Big(int i) const;
};

// The kinds of the steps a method entry names (function types).
// f[1..m] (and in DerivativeMode the derivative columns) at u; sets m, n.
using PerPoint = void(ApproxRunState& run, double u);
// After a linear fit: kCorrection to go on, or another step.
using AfterFit = ApproxStep(ApproxRunState& run);
// Inverts the normal matrix of a correction of order n; returns the number
// of parameters then in use.
using Solver = int(ApproxRunState& run, int n);
// Applies one correction; kCycle to go on, kFinal when converged, kPass
// when a fallback replaced the method.
using Corrector = ApproxStep(ApproxRunState& run, const CorrectionStep& step);
// The extremum with its errors from Coef and the inverse normal matrix.
using Estimator = ExtremumEstimate(ApproxRunState& run);

// One approximation method: what each step of the engine does for it.
struct MethodEntry {
  Method method;
  int modelCode;          // model of EvalBasis; 0 for the polynomials (no grid search)
  int extraParams;        // polynomials: parameters beyond the m coefficients
  int curvatureM;         // a linear fit with this m sets CurvatureSign to C_m (0: never)
  bool hasCentre;         // x0 is a parameter, at n - 2 (BSK, sech)
  bool noncentralCheck;   // outer parts that are too small: the parabola instead
  int singularParams;     // parameters kept when the linear system is singular (0: all)
  Method wrongCurvature;  // the central part curved against the parabola: this instead
  Method narrowCentre;    // c6 - c5 below 0.01 during the corrections: this instead
  Method failedFit;       // `extremum` asks to replace the fit: this instead

  PerPoint* basis;
  AfterFit* afterFit;  // nullptr: on to the corrections
  Solver* solve;
  Corrector* correct;  // nullptr: no corrections
  Estimator* extremum;
};

// The entry of a method number 1..11 (any other number: the polynomial's).
const MethodEntry& MethodEntryOf(int method);
inline const MethodEntry& MethodEntryOf(Method method) { return MethodEntryOf(Number(method)); }

// Parameters of a method before any fit, with m linear coefficients for
// the polynomials.
int ParamsOfMethod(const MethodEntry& entry, int m);

namespace method_steps {

PerPoint PolynomialBasis, SymPolynomialBasis, ModelBasis;
Solver SolveAll, SolveAp, SolveBsk;
Corrector CorrectCentre, CorrectPower, CorrectWalls, CorrectAp, CorrectBsk, CorrectSech;
Estimator PolynomialExtremum, SymPolynomialExtremum, PowerExtremum, MidpointExtremum,
    SplineExtremum, ApExtremum, BskExtremum, SechExtremum;

}  // namespace method_steps

class ApproximationRun {
 public:
  // `method` in: the method asked for; out: the method finally used.
  ApproximationRun(Engine& engine, int& method);

  // The whole call: interval, passes, cycle, extremum.
  void Run();
  // From the start of the cycle with the nonlinear parameters as they are
  // in lsq (c5, c6, x0 and Coef), taking them as the grid values.
  void RunCycleFromCurrent();

 private:
  const MethodEntry& Entry() const { return MethodEntryOf(st_.method); }
  ApproxStep StartPass();
  ApproxStep LinearFit();
  ApproxStep Correction();
  ApproxStep Final();
  void Loop(ApproxStep step);
  void StoreGridValues();
  void LoadNonlinear();
  bool TooFewPoints();
  void Residuals();
  void StoreResults(ExtremumEstimate est);

  ApproxRunState st_;
  LsqState& s_;
  ApproxState& a_;
};

}  // namespace teril

// The approximation methods and their model functions.
//
// Every model has the form x(u) = sum_{i=1..m} C_i f_i(u; p) in the
// normalised argument u (-1 at the first and +1 at the last point of the
// interval). The nonlinear parameters follow the linear coefficients in
// Coef: x0 (models 8, 9) at m+1, c5 at n-1, c6 at n.
#pragma once

#include <string>

#include "lsq/lsq_state.h"

namespace teril {

constexpr int kMethodCount = 11;

// The approximation methods. The numbers are those shown in the files and
// the dialogs (extr.dat, "Choose method"), so they never change.
enum class Method {
  kNone,
  kPolynomial,
  kSymPolynomial,
  kNav,
  kMik,
  kWsp,
  kWsl,
  kWsap,
  kSpline,
  kAp,
  kBsk,
  kSech
};
static_assert(static_cast<int>(Method::kWsp) == 5 && static_cast<int>(Method::kSech) == 11);
constexpr int Number(Method method) { return static_cast<int>(method); }
// The method of a number 1..11; any other number is kNone.
constexpr Method MethodOf(int number) {
  return number >= 1 && number <= kMethodCount ? static_cast<Method>(number) : Method::kNone;
}

// The lines a command logs after the common results of a method.
enum class ExtraLines {
  kNone,
  kDurationAndJoins,  // "Duration of eclipse", its error, c5 and c6 in time
  kJoins,             // c5 and c6 in time
  kParametersInU,     // c5 and c6 as fitted, in u
};

// One row of the method table, by MethodNumber 1..11.
struct MethodInfo {
  const char* longName;     // log heading, e.g. "WSP approximation"
  const char* shortName;    // picture files, e.g. "WSP"
  const char* fileWord;     // extr.dat, e.g. "wsp"
  const char* menuCaption;  // e.g. "WSP"
  int modelCode;            // EvalBasis selector; 0 for methods 1 and 2
  ExtraLines extraLines;    // what the command logs besides the moment and value
};

// The row of `method`; methods outside 1..11 get an empty row.
const MethodInfo& MethodTable(int method);
inline std::string LongName(int method) { return MethodTable(method).longName; }
inline std::string ShortName(int method) { return MethodTable(method).shortName; }
inline std::string FileWord(int method) { return MethodTable(method).fileWord; }
inline int ModelCodeOf(int method) { return MethodTable(method).modelCode; }

// Number of linear coefficients m and of all parameters n of a model code:
// m = 3, n = 5 for codes 1-5 and 7; m = 5, n = 7 for code 6; m = 2, n = 5
// for codes 8 and 9.
int ModelLinearCount(int modelCode);
int ModelParamCount(int modelCode);

// f[1] = 1, f[k] = u^(k-1) for k = 2..m (the polynomial of degree m - 1).
void PolyBasis(int m, double u, double* f);

// With d = u - u0: f[1] = 1, f[k] = d^(2(k-1)) for k = 2..m. With
// `derivative`, also f[m+1] = -2 d sum_{k=2..m} (k-1) C[k] d^(2(k-2)), the
// derivative of the model with respect to the centre u0.
void SymPolyBasis(int m, double u0, double u, const double* C, bool derivative, double* f);

// One nonlinear model: its counts, its basis and its derivative columns.
// `basis` writes f[1..m] at u with the nonlinear parameters c5, c6 and x0
// and returns how many outer parts of the spline the point lies in (0 for
// every other model). `derivatives` writes the columns f[m+1..n]: dx/dc5 at
// n-1, dx/dc6 at n (and dx/dx0 at 3 for codes 8 and 9), x = sum C_i f_i.
struct ModelEntry {
  int linear;  // m
  int params;  // n
  int (*basis)(double u, const LsqState& s, double* f);
  void (*derivatives)(double u, const LsqState& s, double* f);
};

// The entry of a model code 1..9; nullptr for any other code.
const ModelEntry* ModelOf(int modelCode);

// The basis of s.ModelCode at u into s.BasisVector, with s.c5, s.c6, s.x0;
// sets s.m and s.n. In s.DerivativeMode also fills the derivative columns
// f[n-1] = dx/dc5, f[n] = dx/dc6 (and f[3] = dx/dx0 for codes 8 and 9)
// with the current coefficients s.Coef. For the parabolic spline every
// point outside [c5, c6] is subtracted from s.centralPoints.
void EvalBasis(LsqState& s, double u);

}  // namespace teril

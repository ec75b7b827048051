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

// One row of the method table, by MethodNumber 1..11.
struct MethodInfo {
  const char* longName;     // log heading, e.g. "WSP approximation"
  const char* shortName;    // picture files, e.g. "WSP"
  const char* fileWord;     // extr.dat, e.g. "wsp"
  const char* menuCaption;  // e.g. "WSP"
  int modelCode;            // EvalBasis selector; 0 for methods 1 and 2
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

// The basis of s.ModelCode at u into s.BasisVector, with s.c5, s.c6, s.x0;
// sets s.m and s.n. In s.DerivativeMode also fills the derivative columns
// f[n-1] = dx/dc5, f[n] = dx/dc6 (and f[3] = dx/dx0 for codes 8 and 9)
// with the current coefficients s.Coef. For the parabolic spline every
// point outside [c5, c6] is subtracted from s.centralPoints.
void EvalBasis(LsqState& s, double u);

}  // namespace teril

// The least-squares state shared by every approximation: the normal system
// of at most 19 unknowns and its inverse, the coefficient and basis
// vectors, the points of the interval in the normalised argument u, and the
// parameters of the model being fitted.
//
// All arrays are 1-based (index 0 unused) so that the formulas read as
// written: NormalMatrix[i][j] with i, j = 1..MatrixOrder.
#pragma once

#include <functional>
#include <vector>

namespace teril {

// Hard limit of unknowns of every fit.
constexpr int kMaxUnknowns = 19;
// Size of the 1-based arrays of the normal system.
constexpr int kLsqDim = kMaxUnknowns + 1;

// One normal system: before InvertMatrix the leading MatrixOrder block of
// NormalMatrix holds sum f_i f_j, after it the inverse.
struct LsqSystem {
  double NormalMatrix[kLsqDim][kLsqDim] = {};
  int MatrixOrder = 1;
  double B[kLsqDim] = {};                // right-hand side sum f_i y
  int pivotRow[kLsqDim] = {};            // pivot row chosen at step k
  int pivotCol[kLsqDim] = {};            // pivot column chosen at step k
  double Determinant = 0;                // product of the pivots (0: singular)
  double DetRatio = 0;                   // Determinant / product of the diagonal

  // Clears the whole matrix and the right-hand side.
  void ClearSystem();
};

struct LsqState : LsqSystem {
  // Allocates the interval arrays at the capacity of the data set.
  LsqState();

  double Coef[kLsqDim] = {};         // C: linear coefficients 1..m, nonlinear m+1..n
  double BasisVector[kLsqDim] = {};  // f: basis values at one argument

  // The interval (NormaliseInterval): u in [-1, 1], the signal y and the
  // residuals r, 1..N. L and R are the data indices of the first and last
  // point, tL and tR their times.
  std::vector<double> u, y, r;
  int N = 0;
  int L = 0, R = 0;
  double tL = 0, tR = 0;

  // Sum of squared residuals of the last fit; 1e32 when it was rejected.
  double ResidualSum = 0;

  // --- The model being fitted (set by the approximation engine) ---
  int MethodNumber = 1;     // 1..11, decides the sign rejections of a fit
  int ModelCode = 1;        // 1..9, selector of EvalBasis
  int m = 3;                // number of linear coefficients
  int n = 3;                // number of parameters and basis columns
  double c5 = 0, c6 = 0;    // nonlinear parameters (in u)
  double x0 = 0;            // centre of the BSK and Sech models (in u)
  bool DerivativeMode = false;
  // Quadratic coefficient of the preliminary parabola: > 0 a minimum of
  // the signal, otherwise a maximum.
  double CurvatureSign = 0;
  // Counts of the last linear fit: points inside the spline's central
  // interval, and WSL points with a non-zero wall term.
  int centralPoints = 0;
  int wallPoints = 0;

  // Two-frequency mode: while set, FitWithBasis takes its basis from
  // blazhkoBasis (which fills f[1..m] at u; m and n are set by the caller)
  // and applies none of the model rules of the approximations.
  bool blazhkoMode = false;
  std::function<void(double u, double* f)> blazhkoBasis;
};

}  // namespace teril

// The interval in the normalised argument, the linear fit with a given
// basis, and the error rules derived from the inverse normal matrix.
#pragma once

#include "data/data_set.h"
#include "lsq/lsq_state.h"

namespace teril {

// Maps the points L..R of the data set to the interval arrays: N = R - L + 1,
// u[k] = 2 (t[L+k-1] - t[L]) / (t[R] - t[L]) - 1, y[k] = x[L+k-1]. The
// first point maps to -1 and the last to +1. Requires L <= R.
void NormaliseInterval(LsqState& s, const DataSet& data, int L, int R);

// The same for the points first..last whose time lies in [tMin, tMax]
// (the visible window): L and R become the first and last such point and
// the others in between that lie outside the window are left out. Returns
// the number of points taken.
int NormaliseInterval(LsqState& s, const DataSet& data, int first, int last, double tMin,
                      double tMax);

// One linear fit of the N points with the current model (s.ModelCode with
// s.c5, s.c6, s.x0, or the two-frequency basis in s.blazhkoMode), without
// derivative columns. Leaves C[1..m] (C[n+1..19] = 0), the residuals
// r[1..N], ResidualSum and the inverse of the m x m normal matrix in
// NormalMatrix. Rules: the WSL model with fewer than 3 wall points fits the
// constant only (C2 = C3 = 0); the parabolic spline with fewer than 6 points
// inside [c5, c6] is rejected; for methods 3 and 4 a C2, and for method 8 a
// C3, whose sign ("< 0") differs from that of CurvatureSign rejects the
// fit. A rejected fit has ResidualSum = 1e32.
void FitWithBasis(LsqState& s);

// Unit-weight variance: ResidualSum / (N - n), or 1e32 when N <= n.
double UnitVariance(double residualSum, int N, int n);

// sum_i sum_j Ainv[idx_i][idx_j] g_i g_j over the given 1-based indices of
// the inverse in s.NormalMatrix.
double QuadraticForm(const LsqSystem& s, const int* idx, const double* g, int count);

}  // namespace teril

#include "lsq/invert_matrix.h"

#include <cmath>

namespace teril {

void LsqSystem::ClearSystem() {
  for (auto& row : NormalMatrix)
    for (double& v : row) v = 0.0;
  for (double& v : B) v = 0.0;
}

void InvertMatrix(LsqSystem& s) {
  const int n = s.MatrixOrder;
  auto& a = s.NormalMatrix;

  double diagProduct = 1.0;
  for (int i = 1; i <= n; ++i) diagProduct *= a[i][i];

  s.Determinant = 1.0;
  bool singular = false;
  for (int k = 1; k <= n; ++k) {
    double amax = 0.0;
    int pr = k, pc = k;
    for (int i = k; i <= n; ++i)
      for (int j = k; j <= n; ++j)
        if (std::fabs(amax) - std::fabs(a[i][j]) <= 0) {
          amax = a[i][j];
          pr = i;
          pc = j;
        }
    s.pivotRow[k] = pr;
    s.pivotCol[k] = pc;
    if (amax == 0.0) {
      s.Determinant = 0.0;
      singular = true;
      break;
    }
    if (pr > k)
      for (int j = 1; j <= n; ++j) {
        double save = a[k][j];
        a[k][j] = a[pr][j];
        a[pr][j] = -save;
      }
    if (pc > k)
      for (int i = 1; i <= n; ++i) {
        double save = a[i][k];
        a[i][k] = a[i][pc];
        a[i][pc] = -save;
      }
    for (int i = 1; i <= n; ++i)
      if (i != k) a[i][k] = -a[i][k] / amax;
    for (int i = 1; i <= n; ++i) {
      if (i == k) continue;
      const double aik = a[i][k];
      for (int j = 1; j <= n; ++j)
        if (j != k) a[i][j] = a[i][j] + aik * a[k][j];
    }
    for (int j = 1; j <= n; ++j)
      if (j != k) a[k][j] = a[k][j] / amax;
    a[k][k] = 1.0 / amax;
    s.Determinant = s.Determinant * amax;
  }

  if (!singular) {
    for (int k = n; k >= 1; --k) {
      const int row = s.pivotRow[k];
      if (row > k)
        for (int i = 1; i <= n; ++i) {
          double save = a[i][k];
          a[i][k] = -a[i][row];
          a[i][row] = save;
        }
      const int col = s.pivotCol[k];
      if (col > k)
        for (int j = 1; j <= n; ++j) {
          double save = a[k][j];
          a[k][j] = -a[col][j];
          a[col][j] = save;
        }
    }
  }

  s.DetRatio = diagProduct;
  if (diagProduct != 0.0) s.DetRatio = s.Determinant / diagProduct;
}

}  // namespace teril

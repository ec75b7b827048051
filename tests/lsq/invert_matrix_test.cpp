// Gauss-Jordan inversion: hand-worked cases and random symmetric positive
// definite matrices checked against an independent Cholesky solve.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "lsq/invert_matrix.h"

namespace teril {
namespace {

void Load(LsqSystem& s, const std::vector<std::vector<double>>& a) {
  s.ClearSystem();
  s.MatrixOrder = static_cast<int>(a.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = 0; j < a.size(); ++j) s.NormalMatrix[i + 1][j + 1] = a[i][j];
}

TEST(InvertMatrix, OneByOne) {
  LsqSystem s;
  Load(s, {{4.0}});
  InvertMatrix(s);
  EXPECT_DOUBLE_EQ(s.NormalMatrix[1][1], 0.25);
  EXPECT_DOUBLE_EQ(s.Determinant, 4.0);
  EXPECT_DOUBLE_EQ(s.DetRatio, 1.0);
}

TEST(InvertMatrix, TwoEqualRowsAreSingular) {
  LsqSystem s;
  Load(s, {{1, 2, 3}, {1, 2, 3}, {4, 5, 7}});
  InvertMatrix(s);
  EXPECT_EQ(s.Determinant, 0.0);
  EXPECT_EQ(s.DetRatio, 0.0);
}

TEST(InvertMatrix, ZeroMatrixIsSingular) {
  LsqSystem s;
  Load(s, {{0, 0}, {0, 0}});
  InvertMatrix(s);
  EXPECT_EQ(s.Determinant, 0.0);
  EXPECT_EQ(s.DetRatio, 0.0);
}

// [[2, 1], [1, 3]]: inverse [[3, -1], [-1, 2]] / 5 (by hand). The first pivot
// is 3 at (2, 2), the largest element; the determinant is the product of the
// pivots 3 and 5/3, and the diagonal product is 6.
TEST(InvertMatrix, TwoByTwoByHand) {
  LsqSystem s;
  Load(s, {{2, 1}, {1, 3}});
  InvertMatrix(s);
  EXPECT_NEAR(s.NormalMatrix[1][1], 0.6, 1e-15);
  EXPECT_NEAR(s.NormalMatrix[1][2], -0.2, 1e-15);
  EXPECT_NEAR(s.NormalMatrix[2][1], -0.2, 1e-15);
  EXPECT_NEAR(s.NormalMatrix[2][2], 0.4, 1e-15);
  EXPECT_EQ(s.pivotRow[1], 2);
  EXPECT_EQ(s.pivotCol[1], 2);
  EXPECT_NEAR(s.Determinant, 5.0, 1e-14);
  EXPECT_NEAR(s.DetRatio, 5.0 / 6.0, 1e-15);
}

// Equal magnitudes: the element met last in the scan (rows outer, columns
// inner) is the pivot, here the -1 at (2, 2) of [[1, 1], [1, -1]]. The
// inverse is the matrix divided by 2; the determinant is the product of
// the pivots -1 and 2, uncorrected for the exchanges.
TEST(InvertMatrix, TiesGoToTheLastElementOfTheScan) {
  LsqSystem s;
  Load(s, {{1, 1}, {1, -1}});
  InvertMatrix(s);
  EXPECT_EQ(s.pivotRow[1], 2);
  EXPECT_EQ(s.pivotCol[1], 2);
  EXPECT_DOUBLE_EQ(s.NormalMatrix[1][1], 0.5);
  EXPECT_DOUBLE_EQ(s.NormalMatrix[1][2], 0.5);
  EXPECT_DOUBLE_EQ(s.NormalMatrix[2][1], 0.5);
  EXPECT_DOUBLE_EQ(s.NormalMatrix[2][2], -0.5);
  EXPECT_DOUBLE_EQ(s.Determinant, -2.0);
}

// A permutation-like matrix forces row and column exchanges with signs and
// their restoration: [[0, 2, 0], [0, 0, 3], [5, 0, 0]] has the inverse
// [[0, 0, 1/5], [1/2, 0, 0], [0, 1/3, 0]].
TEST(InvertMatrix, ExchangesAreRestored) {
  LsqSystem s;
  Load(s, {{0, 2, 0}, {0, 0, 3}, {5, 0, 0}});
  InvertMatrix(s);
  const double expect[3][3] = {{0, 0, 0.2}, {0.5, 0, 0}, {0, 1.0 / 3.0, 0}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_NEAR(s.NormalMatrix[i + 1][j + 1], expect[i][j], 1e-15) << i << "," << j;
  EXPECT_EQ(s.DetRatio, 0.0);  // zero diagonal: the ratio is left at the product 0
}

class RandomSpd : public ::testing::TestWithParam<int> {};

// Cholesky solve of A x = b, written independently of the code under test.
std::vector<double> CholeskySolve(std::vector<std::vector<double>> a, std::vector<double> b) {
  const int n = static_cast<int>(a.size());
  for (int j = 0; j < n; ++j) {
    double d = a[j][j];
    for (int k = 0; k < j; ++k) d -= a[j][k] * a[j][k];
    a[j][j] = std::sqrt(d);
    for (int i = j + 1; i < n; ++i) {
      double v = a[i][j];
      for (int k = 0; k < j; ++k) v -= a[i][k] * a[j][k];
      a[i][j] = v / a[j][j];
    }
  }
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < i; ++k) b[i] -= a[i][k] * b[k];
    b[i] /= a[i][i];
  }
  for (int i = n - 1; i >= 0; --i) {
    for (int k = i + 1; k < n; ++k) b[i] -= a[k][i] * b[k];
    b[i] /= a[i][i];
  }
  return b;
}

TEST_P(RandomSpd, InverseMatchesCholeskyAndTimesMatrixIsIdentity) {
  const int n = GetParam();
  std::uint64_t state = 1000 + n;
  auto uniform = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
  };
  // A = G G^T + n I: symmetric positive definite and well conditioned.
  std::vector<std::vector<double>> g(n, std::vector<double>(n)), a(n, std::vector<double>(n));
  for (auto& row : g)
    for (double& v : row) v = uniform();
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      double v = i == j ? n : 0.0;
      for (int k = 0; k < n; ++k) v += g[i][k] * g[j][k];
      a[i][j] = v;
    }
  LsqSystem s;
  Load(s, a);
  InvertMatrix(s);
  ASSERT_GT(s.DetRatio, 0.0);
  EXPECT_LE(s.DetRatio, 1.0);
  for (int col = 0; col < n; ++col) {
    std::vector<double> e(n, 0.0);
    e[col] = 1.0;
    const auto x = CholeskySolve(a, e);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(s.NormalMatrix[i + 1][col + 1], x[i], 1e-12);
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      double v = 0.0;
      for (int k = 0; k < n; ++k) v += s.NormalMatrix[i + 1][k + 1] * a[k][j];
      EXPECT_NEAR(v, i == j ? 1.0 : 0.0, 1e-11);
    }
  // The determinant of an SPD matrix: the product of the Cholesky diagonal
  // squared, computed here by the same factorisation.
  double logDet = 0.0;
  {
    auto c = a;
    for (int j = 0; j < n; ++j) {
      double d = c[j][j];
      for (int k = 0; k < j; ++k) d -= c[j][k] * c[j][k];
      c[j][j] = std::sqrt(d);
      logDet += 2.0 * std::log(c[j][j]);
      for (int i = j + 1; i < n; ++i) {
        double v = c[i][j];
        for (int k = 0; k < j; ++k) v -= c[i][k] * c[j][k];
        c[i][j] = v / c[j][j];
      }
    }
  }
  EXPECT_NEAR(std::log(s.Determinant), logDet, 1e-10);
}

INSTANTIATE_TEST_SUITE_P(Orders, RandomSpd, ::testing::Values(2, 3, 5, 7, 12, 19));

}  // namespace
}  // namespace teril

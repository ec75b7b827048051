// The running parabola scalegram: window sums against plain sums over all
// points, the record of a scale against its definitions (explicit inverse,
// residuals one by one), threads, the record format and the presets.
#include "smoothing/scalegram.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "engine/engine.h"
#include "smoothing/running_parabola.h"
#include "smoothing/smoothing_fixture.h"

namespace teril {
namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

// Gauss-Jordan inverse with partial pivoting; false when singular.
bool Invert(Matrix m, Matrix& inv) {
  inv = Matrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  for (int c = 0; c < 3; ++c) {
    int p = c;
    for (int r = c + 1; r < 3; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[p][c])) p = r;
    if (m[p][c] == 0) return false;
    std::swap(m[p], m[c]);
    std::swap(inv[p], inv[c]);
    const double d = m[c][c];
    for (int k = 0; k < 3; ++k) m[c][k] /= d, inv[c][k] /= d;
    for (int r = 0; r < 3; ++r) {
      if (r == c) continue;
      const double f = m[r][c];
      for (int k = 0; k < 3; ++k) m[r][k] -= f * m[c][k], inv[r][k] -= f * inv[c][k];
    }
  }
  return true;
}

double Det(const Matrix& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// One centre computed from its definitions over all points: the weighted
// parabola by an explicit inverse, the equivalent weights of the smoothed
// value, the residuals summed one by one.
struct Direct {
  bool used = false;
  double dof = 0, e = 0, R = 0, h2 = 0, pAbs = 0, r2 = 0;
};
Direct DirectCentre(const std::vector<double>& t, const std::vector<double>& x, int i, double dt) {
  Matrix M{}, B{};
  double Y[3] = {0, 0, 0};
  int near = 0;
  for (std::size_t j = 0; j < t.size(); ++j) {
    const double v = t[j] - t[i], u = v / dt;
    if (!(u > -1 && u < 1)) continue;
    const double w = (1 - u * u) * (1 - u * u);
    const double f[3] = {1, v, v * v};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) M[r][c] += w * f[r] * f[c], B[r][c] += w * w * f[r] * f[c];
      Y[r] += w * f[r] * x[j];
    }
    near += std::fabs(u) <= 0.7;
  }
  Direct d;
  Matrix a;
  if (near <= 3 || !(Det(M) > 0) || !Invert(M, a)) return d;
  double p[3];
  for (int r = 0; r < 3; ++r) p[r] = a[r][0] * Y[0] + a[r][1] * Y[1] + a[r][2] * Y[2];
  for (std::size_t j = 0; j < t.size(); ++j) {
    const double v = t[j] - t[i], u = v / dt;
    if (!(u > -1 && u < 1)) continue;
    const double w = (1 - u * u) * (1 - u * u);
    const double g = w * (a[0][0] + a[0][1] * v + a[0][2] * v * v);
    d.h2 += g * g;
    const double res = x[j] - (p[0] + p[1] * v + p[2] * v * v);
    d.R += w * res * res;
  }
  double trace = 0;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) trace += a[r][c] * B[c][r];
  d.dof = M[0][0] - trace;
  d.e = d.h2 + 1 - 2 * a[0][0];
  d.pAbs = p[0];
  d.r2 = (x[i] - p[0]) * (x[i] - p[0]);
  d.used = d.h2 > 0 && d.R > 0;
  return d;
}

void ExpectRelative(double got, double want, double tol, const std::string& what) {
  EXPECT_LE(std::fabs(got - want), tol * std::max(std::fabs(want), 1e-300)) << what;
}

class WindowSumsTest : public ::testing::TestWithParam<double> {};

TEST_P(WindowSumsTest, EqualThePlainSumsOverAllPoints) {
  const double dt = GetParam();
  std::vector<double> t, x;
  testing::UnevenSeries(800, 11, t, x);
  std::vector<double> t1(1, 0), x1(1, 0);  // 1-based copies
  t1.insert(t1.end(), t.begin(), t.end());
  x1.insert(x1.end(), x.begin(), x.end());
  const int n = 800;
  WindowRange moved = WindowAt(t1.data(), n, t1[1], dt, 0.7);
  for (int i = 1; i <= n; i += 37) {
    // Moved forward from the last centre, or found afresh: the same edges.
    AdvanceWindow(t1.data(), n, t1[i], dt, 0.7, moved);
    const WindowRange r = WindowAt(t1.data(), n, t1[i], dt, 0.7);
    EXPECT_EQ(moved.lo, r.lo);
    EXPECT_EQ(moved.end, r.end);
    EXPECT_EQ(moved.nearLo, r.nearLo);
    EXPECT_EQ(moved.nearEnd, r.nearEnd);
    const ScalegramSums s = WindowSums(t1.data(), x1.data(), r, i, dt, x1[i]);
    // The plain sums over every point, and the sums of the magnitudes of
    // their terms, which bound the rounding of a sum taken in another order.
    double S[5] = {}, Y[3] = {}, W[5] = {}, Q = 0, aS[5] = {}, aY[3] = {}, aW[5] = {};
    int near = 0, inside = 0;
    for (int j = 1; j <= n; ++j) {
      const double v = t1[j] - t1[i], u = v / dt;
      if (!(u > -1 && u < 1)) continue;
      ++inside;
      const double w = std::pow(1 - u * u, 2), y = x1[j] - x1[i];
      for (int k = 0; k < 5; ++k) {
        S[k] += w * std::pow(v, k), W[k] += w * w * std::pow(v, k);
        aS[k] += std::fabs(w * std::pow(v, k)), aW[k] += std::fabs(w * w * std::pow(v, k));
      }
      for (int k = 0; k < 3; ++k)
        Y[k] += w * std::pow(v, k) * y, aY[k] += std::fabs(w * std::pow(v, k) * y);
      Q += w * y * y;
      near += std::fabs(u) <= 0.7;
    }
    EXPECT_EQ(r.end - r.lo, inside) << i;
    EXPECT_EQ(s.near, near) << i;
    for (int k = 0; k < 5; ++k) {
      EXPECT_NEAR(s.S[k], S[k], 1e-12 * aS[k]) << "S" << k << " i=" << i;
      EXPECT_NEAR(s.W[k], W[k], 1e-12 * aW[k]) << "W" << k << " i=" << i;
    }
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.Y[k], Y[k], 1e-12 * aY[k]) << "Y" << k;
    EXPECT_NEAR(s.Q, Q, 1e-12 * Q);
  }
}

INSTANTIATE_TEST_SUITE_P(HalfWidths, WindowSumsTest, ::testing::Values(0.3, 2.5, 14.0, 1e4));

// The statistics of one scale from the direct centres, summed in point
// order; the variance of the smoothed values in two passes.
ScalegramRecord DirectRecord(const std::vector<double>& t, const std::vector<double>& x,
                             double dt) {
  double dof = 0, e = 0, R = 0, h2 = 0, r2 = 0;
  std::vector<double> p;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const Direct d = DirectCentre(t, x, static_cast<int>(i), dt);
    if (!d.used) continue;
    dof += d.dof, e += d.e, R += d.R, h2 += d.h2, r2 += d.r2;
    p.push_back(d.pAbs);
  }
  const double c = static_cast<double>(p.size());
  double mean = 0, var = 0;
  for (double v : p) mean += v / c;
  for (double v : p) var += (v - mean) * (v - mean) / c;
  ScalegramRecord r;
  r.dt = dt;
  r.count = static_cast<int>(p.size());
  r.n = static_cast<int>(t.size());
  r.sigmaA = std::sqrt(r2 / e);
  r.sigmaB = std::sqrt(R / dof);
  r.vBar = std::sqrt(h2 / c);
  r.rhoRms = std::sqrt(r2 / c);
  r.SN = std::sqrt(c * var / (c - 1)) / r.vBar / r.sigmaA;
  return r;
}

class ScalegramStepTest : public ::testing::Test {
 protected:
  void Make(int n, std::uint64_t seed) {
    testing::UnevenSeries(n, seed, t, x);
    t1.assign(1, 0);
    x1.assign(1, 0);
    t1.insert(t1.end(), t.begin(), t.end());
    x1.insert(x1.end(), x.begin(), x.end());
  }
  std::optional<ScalegramRecord> Step(double dt, int threads) {
    return ScalegramStep(t1.data(), x1.data(), static_cast<int>(t.size()), dt, threads, {},
                         nullptr);
  }
  std::vector<double> t, x, t1, x1;
};

TEST_F(ScalegramStepTest, RecordAgreesWithTheDirectComputation) {
  Make(400, 21);
  for (double dt : {2.0, 6.0, 30.0}) {
    auto r = Step(dt, 1);
    ASSERT_TRUE(r);
    const ScalegramRecord d = DirectRecord(t, x, dt);
    EXPECT_EQ(r->count, d.count);
    EXPECT_EQ(r->n, 400);
    ExpectRelative(r->sigmaA, d.sigmaA, 1e-9, "sigma_a");
    ExpectRelative(r->sigmaB, d.sigmaB, 1e-9, "sigma_b");
    ExpectRelative(r->vBar, d.vBar, 1e-9, "vBar");
    ExpectRelative(r->rhoRms, d.rhoRms, 1e-9, "rho");
    ExpectRelative(r->SN, d.SN, 1e-8, "SN");
  }
}

TEST_F(ScalegramStepTest, TwoThreadsGiveTheSameRecordAsOne) {
  Make(6000, 4);
  for (double dt : {40.0, 400.0}) {
    auto one = Step(dt, 1), two = Step(dt, 2);
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->count, two->count);
    for (auto [a, b] : {std::pair{one->sigmaA, two->sigmaA},
                        {one->sigmaB, two->sigmaB},
                        {one->vBar, two->vBar},
                        {one->rhoRms, two->rhoRms},
                        {one->SN, two->SN}})
      EXPECT_EQ(a, b) << dt;
  }
}

TEST(ScalegramRecordFormat, FieldsInTheirWidthsAndUndefinedProducts) {
  ScalegramRecord r;
  r.dt = 1.5;
  r.count = 98;
  r.n = 100;
  r.sigmaA = 0.25;
  r.sigmaB = 0.5;
  r.vBar = 0.125;
  r.rhoRms = 0.2;
  r.SN = 3;
  EXPECT_EQ(FormatScalegramRecord(r),
            "     1.500000    98   100  0.25000000  0.50000000  0.12500000  0.03125000  "
            "0.06250000  0.20000000  3.00000000");
  r.sigmaB = -1;  // cannot be formed: its product with vBar cannot either
  r.SN = -1;
  EXPECT_EQ(FormatScalegramRecord(r),
            "     1.500000    98   100  0.25000000 -1.00000000  0.12500000  0.03125000 "
            "-1.00000000  0.20000000 -1.00000000");
}

TEST(ScalegramPresets, HundredPointsSpacedByOne) {
  std::vector<double> t{0};
  for (int i = 1; i <= 100; ++i) t.push_back(i);
  // 20 lg(1.5/0.7) + 0.5 = 7.12 and 20 lg 99 + 0.5 = 40.41.
  const ScalegramRange r = ScalegramPresets(t.data(), 100);
  EXPECT_EQ(r.k1, 7);
  EXPECT_EQ(r.k2, 40);
  EXPECT_EQ(ScalegramFileName("v1.b.txt"), "v1.b_r2.dat");
}

}  // namespace
}  // namespace teril

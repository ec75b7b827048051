// The trigonometric polynomial ("Q8"): the degree limit, the harmonics, the
// rows of the degree scan against hand values, the degree key, the view,
// phase mode, the coefficients against an independent solve, the smoothed
// values.  #14
#include "periodicity/trig_polynomial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "console/file_run.h"
#include "data/settings.h"
#include "plot/draw.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

constexpr double kPi = 3.141592653589793;

struct LimitCase {
  int nj, sMax;
};
class DegreeLimitTest : public ::testing::TestWithParam<LimitCase> {};
TEST_P(DegreeLimitTest, FromTheIndexCount) {
  EXPECT_EQ(TrigDegreeLimit(GetParam().nj), GetParam().sMax);
}
INSTANTIATE_TEST_SUITE_P(Counts, DegreeLimitTest,
                         ::testing::Values(LimitCase{0, 0}, LimitCase{1, 0}, LimitCase{2, 0},
                                           LimitCase{3, 1}, LimitCase{11, 5}, LimitCase{12, 9},
                                           LimitCase{5000, 9}));

TEST(TrigBasis, RecurrenceMatchesDirectCalls) {
  double f[20];
  for (double a : {0.0, 0.3, -1.7, 3.14159, 25.1, -99.9}) {
    TrigBasis(a, 9, f);
    EXPECT_EQ(f[1], 1);
    for (int k = 1; k <= 9; ++k) {
      EXPECT_NEAR(f[2 * k], std::cos(k * a), 1e-12) << a << " " << k;
      EXPECT_NEAR(f[2 * k + 1], std::sin(k * a), 1e-12) << a << " " << k;
    }
  }
}

class TrigCommandTest : public testing::EngineTest {
 protected:
  testing::RecordingCanvas canvas;

  // The settings file that the next file run reads.
  void Ephemeris(double T0, double P) {
    ResetEngine(*engine, true);  // makes the work folder and its settings file
    engine->eph.epochT0 = T0;
    engine->eph.period = P;
    WriteSettings(*engine);
  }
  void Run(const std::string& path, std::initializer_list<std::string> keys) {
    host.Add(keys);
    ResetEngine(*engine, true);
    AttachCanvas(*engine, &canvas);
    RunDataFile(*engine, path);
  }
  static std::string Line(double t, double x) { return Str(t, 0, 16) + " " + Str(x, 0, 16) + "\n"; }
  // The table rows of "_Four" (after the header line), `count` of them.
  std::vector<std::string> Rows(const std::string& stem, std::size_t count) {
    auto lines = ReadLines(stem + "_Four");
    return {lines.begin() + 7, lines.begin() + 7 + static_cast<long>(count)};
  }
  // The log lines that follow the table header and read as numbers.
  std::size_t NumbersAfterHeader() const {
    std::size_t i = 0;
    while (host.log[i].rfind("s    sig_0", 0) != 0) ++i;
    std::size_t count = 0;
    while (++i < host.log.size() && ParseNumber(host.log[i])) ++count;
    return count;
  }
};

// x = cos a + d cos 2a at the 8 angles a = 2 pi k/8, on which the harmonics
// 0..3 are orthogonal (A = diag(8, 4, 4, ...)), d = 0.1. By hand: D = 4 + 4d^2;
// degree 1 leaves RSS = 4 d^2, so sig_0 = 2d/sqrt(5), xc = sig_0 sqrt(3/8),
// S/N_a = sqrt(4/8)/xc, Lp = 5 lg(101), S/N_F = (101 - 1) 5/2, Ampl = 1 and
// Ampl/sig = sqrt(5/2)/sig_0; degree 2 is exact (RSS = 0, Ampl = d).
std::string ClosedCase() {
  std::string text;
  for (int k = 0; k < 8; ++k)
    text += Str(k / 8.0, 0, 16) + " " +
            Str(std::cos(2 * kPi * k / 8) + 0.1 * std::cos(4 * kPi * k / 8), 0, 16) + "\n";
  return text;
}

std::vector<std::string> ClosedRows() {
  const double d = 0.1, D = 4 + 4 * d * d, sig1 = 2 * d / std::sqrt(5.0);
  const double xc0 = std::sqrt(D / 7) * std::sqrt(1.0 / 8), xc1 = sig1 * std::sqrt(3.0 / 8);
  return {"0 " + Str(std::sqrt(D / 7), 10, 5) + " " + Str(xc0, 10, 5) +
              "   0.00000 1.0000000    0.0    0.0 0.000    0.0",
          "1 " + Str(sig1, 10, 5) + " " + Str(xc1, 10, 5) + Str(std::sqrt(0.5) / xc1, 10, 5) +
              " 1.0000000" + Str(5 * std::log10(101.0), 7, 1) + "  250.0 1.000" +
              Str(std::sqrt(2.5) / sig1, 7, 1),
          "2    0.00000    0.00000   0.00000 1.0000000    0.0    0.0 0.100    0.0",
          "3    0.00000    0.00000   0.00000 1.0000000    0.0    0.0 0.000    0.0"};
}

TEST_F(TrigCommandTest, RowsOfTheClosedCase) {
  Ephemeris(0, 1);
  Run(WriteText("c.dat", ClosedCase()), {"Q8", "x", "x", ";"});
  EXPECT_EQ(Rows("c", 4), ClosedRows());
  EXPECT_EQ(ReadLines("c_Four")[8 + 3], "Chosen degree of trigonometric polynomial=1");
  EXPECT_EQ(NumbersAfterHeader(), 4 * 9u);
  EXPECT_TRUE(host.Logged("Trigonometric Polynomial"));
}

// Phase mode fits the phases with omega = 2 pi: times on the ephemeris
// T0 = 10.25, P = 0.375 whose phases are those of the closed case give its
// rows. A phase curve at u0 (key "0") is the model at that phase.
TEST_F(TrigCommandTest, PhaseModeFitsThePhases) {
  Ephemeris(10.25, 0.375);
  std::string text;
  for (int k = 0; k < 8; ++k) {
    const double x = std::cos(2 * kPi * k / 8) + 0.1 * std::cos(4 * kPi * k / 8);
    text += Str(10.25 + (3 * k + k / 8.0) * 0.375, 0, 16) + " " + Str(x, 0, 16) + "\n";
  }
  Run(WriteText("p.dat", text), {"F", "Q8", "x", "0", "0.125", "0.125", "1", "x", ";"});
  EXPECT_EQ(Rows("p", 4), ClosedRows());
  const auto four = ReadLines("p_Four.dat");
  ASSERT_EQ(four.size(), 8u);
  const auto curve = ReadLines("p_Four_c.dat");
  ASSERT_EQ(curve.size(), 1u);
  // Degree 1 is suggested: the model at the phase 1/8 is cos(pi/4), for the
  // curve and for point 2, whose phase that is (x in xWidth + 3 places).
  const std::size_t w = engine->data.xWidth + 3;
  EXPECT_NEAR(*ParseNumber(curve[0].substr(24, w)), std::cos(kPi / 4), 1e-12);
  EXPECT_NEAR(*ParseNumber(four[1].substr(four[1].size() - w)), std::cos(kPi / 4), 1e-12);
}

TEST_F(TrigCommandTest, EqualCountOfPointsAndCoefficientsEndsTheRowWithZero) {
  Ephemeris(0, 1);
  std::string text;
  for (int k = 0; k < 7; ++k) text += Line(k / 7.0, std::sin(k * 1.3));
  Run(WriteText("m.dat", text), {"Q8", "x", "x", ";"});
  const std::string last = Rows("m", 4)[3];
  EXPECT_EQ(last.substr(0, 2 + 10 + 1 + 10 + 10), "3    0.00000    0.00000   0.00000");
  EXPECT_EQ(last.substr(last.size() - 7), "      0");
  EXPECT_EQ(NumbersAfterHeader(), 3 * 9u + 8);  // the exact row has no Ampl/sig line
}

// Harmonics 1..5 with small noise: the scan suggests 5; "3" fits degree 3,
// a letter keeps 5; with 11 indices s_max is 5 and a "7" keeps the suggestion.
TEST_F(TrigCommandTest, TheDegreeKey) {
  Ephemeris(0, 0.7);
  std::string text;
  for (int i = 0; i < 100; ++i) {
    const double t = 0.037 * i, a = 2 * kPi * t / 0.7;
    double x = 10 + 0.003 * std::sin(i * 12.9898);
    for (int k = 1; k <= 5; ++k) x += (0.35 - 0.05 * k) * std::cos(k * a + k);
    text += Line(t, x);
  }
  const std::string path = WriteText("h.dat", text);
  for (const auto& [key, degree] : {std::pair{"3", 3}, std::pair{"x", 5}}) {
    Run(path, {"Q8", key, "x", ";"});
    const auto lines = ReadLines("h_Four");
    EXPECT_EQ(lines[7 + 10], "Chosen degree of trigonometric polynomial=" + Str(degree));
    EXPECT_EQ(lines.size(), 7u + 10 + 3 + 2 * (2 * degree + 1) + 2);
  }
  EXPECT_EQ(engine->fourier.suggestedDegree, 5);
  std::string constant;  // no S/N_a above 0: the last suggestion stays
  for (int i = 0; i < 20; ++i) constant += Line(0.1 * i, 3.1);
  Run(WriteText("k.dat", constant), {"Q8", "x", "x", ";"});
  EXPECT_EQ(ReadLines("k_Four")[7 + 10], "Chosen degree of trigonometric polynomial=5");
  EXPECT_EQ(Rows("k", 10)[9].substr(0, 33), "9    0.00000    0.00000   0.00000");
  host.log.clear();
  Run(path, {"L", "0", "0.38", "", "", "", "Q8", "7", "x", ";"});  // points 1..11
  const std::string said = "Degree 7 is above the highest degree 5 of these points; degree ";
  std::string kept;
  for (const auto& l : host.log)
    if (l.rfind(said, 0) == 0) kept = l.substr(said.size(), 1);
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(ReadLines("h_Four")[7 + 6], "Chosen degree of trigonometric polynomial=" + kept);
}

// Points outside the window take no part in the fit (the same report as a
// file without them) but "_Four.dat" lists every point; one index gives
// only the mean.
TEST_F(TrigCommandTest, OnlyThePointsOfTheWindowAreFitted) {
  Ephemeris(0, 0.7);
  std::string all, inner;
  for (int i = 0; i < 60; ++i) {
    const double t = 0.05 * i;
    const bool out = i < 2 || i > 56;
    const std::string line =
        Line(t, 5 + std::cos(2 * kPi * t / 0.7) + 0.01 * std::sin(i * 7.7) + (out ? 5 : 0));
    all += line;
    if (!out) inner += line;
  }
  Run(WriteText("in.dat", inner), {"Q8", "2", "x", ";"});
  Run(WriteText("all.dat", all), {"L", "0.09", "2.81", "", "", "", "Q8", "2", "x", ";"});
  const auto a = ReadLines("all_Four"), b = ReadLines("in_Four");
  EXPECT_EQ(std::vector<std::string>(a.begin() + 6, a.end()),
            std::vector<std::string>(b.begin() + 6, b.end()));
  const auto model = ReadLines("all_Four.dat");
  ASSERT_EQ(model.size(), 60u);
  EXPECT_NEAR(engine->data.s[1], 5, 0.05);  // an outlier: its residual
  Run(WriteText("all.dat", all), {"L", "1.01", "1.09", "", "", "", "Q8", "x", "x", ";"});
  EXPECT_EQ(Rows("all", 1)[0],
            "0    0.00000    0.00000   0.00000 1.0000000    0.0    0.0 0.000      0");
  EXPECT_EQ(ReadLines("all_Four")[8], "Chosen degree of trigonometric polynomial=0");
}

// Least squares by Householder QR of the design matrix, independent of the
// normal equations: the solution and diag((R^T R)^-1).
void SolveByQr(std::vector<std::vector<double>> a, std::vector<double> y, std::vector<double>& c,
               std::vector<std::vector<double>>& rInv) {
  const std::size_t n = a.size(), m = a[0].size();
  for (std::size_t k = 0; k < m; ++k) {
    double norm = 0;
    for (std::size_t i = k; i < n; ++i) norm += a[i][k] * a[i][k];
    norm = std::sqrt(norm) * (a[k][k] > 0 ? -1 : 1);
    std::vector<double> v(n, 0);
    for (std::size_t i = k; i < n; ++i) v[i] = a[i][k];
    v[k] -= norm;
    double vv = 0;
    for (std::size_t i = k; i < n; ++i) vv += v[i] * v[i];
    auto reflect = [&](auto get) {
      double dot = 0;
      for (std::size_t i = k; i < n; ++i) dot += v[i] * get(i);
      return 2 * dot / vv;
    };
    for (std::size_t j = k; j < m; ++j) {
      const double s = reflect([&](std::size_t i) { return a[i][j]; });
      for (std::size_t i = k; i < n; ++i) a[i][j] -= s * v[i];
    }
    const double s = reflect([&](std::size_t i) { return y[i]; });
    for (std::size_t i = k; i < n; ++i) y[i] -= s * v[i];
  }
  c.assign(m, 0);
  rInv.assign(m, std::vector<double>(m, 0));
  for (std::size_t k = m; k-- > 0;) {
    double s = y[k];
    for (std::size_t j = k + 1; j < m; ++j) s -= a[k][j] * c[j];
    c[k] = s / a[k][k];
    rInv[k][k] = 1 / a[k][k];
    for (std::size_t j = k + 1; j < m; ++j) {
      double t = 0;
      for (std::size_t l = k + 1; l <= j; ++l) t -= a[k][l] * rInv[l][j];
      rInv[k][j] = t / a[k][k];
    }
  }
}

TEST_F(TrigCommandTest, CoefficientsErrorsAndTimeCurveAgainstQr) {
  const double P = 0.7, w = 2 * kPi / P;
  Ephemeris(0, P);
  std::string text;
  std::vector<double> t, x;
  for (int i = 1; i <= 40; ++i) {
    const double ti = 0.1 * i + 0.03 * std::sin(i);
    const double xi = 10 + 0.4 * std::cos(w * ti) + 0.2 * std::sin(w * ti) +
                      0.05 * std::cos(2 * w * ti) + 0.01 * std::sin(i * 78.233);
    text += Str(ti, 10, 6) + " " + Str(xi, 10, 6) + "\n";
    t.push_back(*ParseNumber(Str(ti, 10, 6)));
    x.push_back(*ParseNumber(Str(xi, 10, 6)));
  }
  Run(WriteText("q.dat", text), {"Q8", "2", "1", "0.5", "1.5", "0.5", ";"});

  double mean = 0;
  for (double v : x) mean += v / 40;
  auto basis = [&](double ti) {
    return std::vector<double>{1, std::cos(w * ti), std::sin(w * ti), std::cos(2 * w * ti),
                               std::sin(2 * w * ti)};
  };
  std::vector<std::vector<double>> a;
  std::vector<double> y, c;
  for (int i = 0; i < 40; ++i) {
    a.push_back(basis(t[i]));
    y.push_back(x[i] - mean);
  }
  std::vector<std::vector<double>> rInv;
  SolveByQr(a, y, c, rInv);
  double rss = 0;
  for (int i = 0; i < 40; ++i) {
    double r = y[i];
    for (int k = 0; k < 5; ++k) r -= a[i][k] * c[k];
    rss += r * r;
  }
  const double s0 = std::sqrt(rss / 35);
  // (R^T R)^-1 = R^-1 R^-T.
  auto cov = [&](const std::vector<double>& f, const std::vector<double>& g) {
    double s = 0;
    for (int l = 0; l < 5; ++l) {
      double fi = 0, gi = 0;
      for (int k = 0; k < 5; ++k) fi += f[k] * rInv[k][l], gi += g[k] * rInv[k][l];
      s += fi * gi;
    }
    return s;
  };
  const auto lines = ReadLines("q_Four");
  const std::size_t at = 7 + 10 + 1;  // "Unit weight error s_0=" after 10 rows
  EXPECT_NEAR(*ParseNumber(lines[at].substr(22)), s0, 1e-12);
  for (int k = 0; k < 5; ++k) {
    std::vector<double> e(5, 0);
    e[k] = 1;
    const std::string& l = lines[at + 2 + k];
    EXPECT_NEAR(*ParseNumber(l.substr(0, 23)), c[k], 1e-11) << k;
    EXPECT_NEAR(*ParseNumber(l.substr(24)), s0 * std::sqrt(cov(e, e)), 1e-12) << k;
  }
  const auto curve = ReadLines("q_Four_c.dat");
  ASSERT_EQ(curve.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    const auto f = basis(0.5 + 0.5 * k);
    double model = mean;
    for (int i = 0; i < 5; ++i) model += c[i] * f[i];
    // x in 10 + 3 places with 6 + 2 decimals.
    EXPECT_NEAR(*ParseNumber(curve[k].substr(24, 13)), model, 1e-7);
    EXPECT_NEAR(*ParseNumber(curve[k].substr(38, 13)), s0 * std::sqrt(cov(f, f)), 1e-7);
  }
}

struct GridCase {
  std::string start, end, step;
};
class SmoothedGridTest : public TrigCommandTest, public ::testing::WithParamInterface<GridCase> {};
TEST_P(SmoothedGridTest, IsRefusedWithoutAFile) {
  Ephemeris(0, 1);
  const GridCase& g = GetParam();
  Run(WriteText("c.dat", ClosedCase()), {"Q8", "1", "0", g.start, g.end, g.step, ";"});
  EXPECT_TRUE(host.LoggedPart("Smoothed values: "));
  EXPECT_FALSE(std::filesystem::exists(dir / "c_Four_c.dat"));
  EXPECT_EQ(ReadLines("c_Four.dat").size(), 8u);
}
INSTANTIATE_TEST_SUITE_P(Grids, SmoothedGridTest,
                         ::testing::Values(GridCase{"0", "1", "0"}, GridCase{"0", "1", "-0.1"},
                                           GridCase{"1", "0", "0.1"},
                                           GridCase{"0", "1e9", "0.001"}));

}  // namespace
}  // namespace teril

// The trigonometric polynomial ("Q8"): the harmonics, the rows of the
// degree scan against hand values, the degree key and its limit, the view,
// phase mode, the coefficients against an independent solve, the grid of
// the smoothed values.  #14
#include "periodicity/trig_polynomial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "console/file_run.h"
#include "data/settings.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

constexpr double kPi = 3.141592653589793;
const std::string kChosen = "Chosen degree of trigonometric polynomial=";

TEST(TrigBasis, RecurrenceMatchesDirectCalls) {
  double f[20];
  for (double a : {0.3, -1.7, 25.1, -99.9}) {
    TrigBasis(a, 9, f);
    for (int k = 1; k <= 9; ++k) {
      EXPECT_NEAR(f[2 * k], std::cos(k * a), 1e-12) << a << " " << k;
      EXPECT_NEAR(f[2 * k + 1], std::sin(k * a), 1e-12) << a << " " << k;
    }
  }
}

// Wide values stay apart: S/N_F 12605.8 fills more than its 7 places.
TEST(DegreeRowText, WideValuesKeepABlankBetweenThem) {
  DegreeRow row{2, false, 0.0062, 0.00098, 227.85, 0.99998, 412.4, 12605.8, 0.098, 156.9};
  EXPECT_EQ(DegreeRowText(row),
            "2    0.00620    0.00098 227.85000 0.9999800  412.4 12605.8 0.098  156.9");
}

class TrigCommandTest : public testing::EngineTest {
 protected:
  // Writes `count` points (t(i), x(i)) to `name` and runs the keys on it
  // with the ephemeris T0, P.
  void Fit(const std::string& name, int count, const std::function<double(int)>& t,
           const std::function<double(int)>& x, double T0, double P,
           std::initializer_list<std::string> keys) {
    ResetEngine(*engine, true);  // makes the work folder and its settings file
    engine->eph.epochT0 = T0;
    engine->eph.period = P;
    WriteSettings(*engine);
    std::string text;
    for (int i = 0; i < count; ++i) text += Str(t(i), 0, 16) + " " + Str(x(i), 0, 16) + "\n";
    const std::string path = WriteText(name + ".dat", text);
    host.Add(keys);
    ResetEngine(*engine, true);
    RunDataFile(*engine, path);
  }
  // The rows of "_Four" after its table header.
  std::vector<std::string> Rows(const std::string& stem, long count) {
    auto lines = ReadLines(stem + "_Four");
    return {lines.begin() + 7, lines.begin() + 7 + count};
  }
  // How many log lines after the table header read as numbers.
  std::size_t NumbersAfterHeader() const {
    std::size_t i = 0, count = 0;
    while (host.log[i].rfind("s    sig_0", 0) != 0) ++i;
    while (++i < host.log.size() && ParseNumber(host.log[i])) ++count;
    return count;
  }
};

// x = cos a + d cos 2a at the 8 angles a = 2 pi k/8, where the harmonics
// 0..3 are orthogonal (A = diag(8, 4, 4, ...)), d = 0.1. By hand: D = 4 + 4d^2;
// degree 1 leaves RSS = 4d^2: sig_0 = 2d/sqrt(5), xc = sig_0 sqrt(3/8),
// S/N_a = sqrt(4/8)/xc, Lp = 5 lg 101, S/N_F = (101 - 1) 5/2, Ampl = 1,
// Ampl/sig = sqrt(5/2)/sig_0 (17.7; without sig_0 it would read 1.6);
// degree 2 is exact (RSS = 0, Ampl = d). In phase mode, with the phases k/8
// on T0 = 10.25, P = 0.375, the fit of the phases (omega = 2 pi) gives the
// same rows, and its phase curve at 1/8 is the suggested degree 1 there.
TEST_F(TrigCommandTest, RowsOfTheClosedCaseInTimeAndPhaseMode) {
  const double d = 0.1, D = 4 + 4 * d * d, sig1 = 2 * d / std::sqrt(5.0);
  const double xc1 = sig1 * std::sqrt(3.0 / 8);
  const std::vector<std::string> rows{
      "0 " + Str(std::sqrt(D / 7), 10, 5) + " " + Str(std::sqrt(D / 56), 10, 5) +
          "   0.00000 1.0000000    0.0    0.0 0.000    0.0",
      "1 " + Str(sig1, 10, 5) + " " + Str(xc1, 10, 5) + Str(std::sqrt(0.5) / xc1, 10, 5) +
          " 1.0000000" + Str(5 * std::log10(101.0), 7, 1) + "  250.0 1.000" +
          Str(std::sqrt(2.5) / sig1, 7, 1),
      "2    0.00000    0.00000   0.00000 1.0000000    0.0    0.0 0.100    0.0",
      "3    0.00000    0.00000   0.00000 1.0000000    0.0    0.0 0.000    0.0"};
  auto x = [](int k) { return std::cos(2 * kPi * k / 8) + 0.1 * std::cos(4 * kPi * k / 8); };
  Fit("c", 8, [](int k) { return k / 8.0; }, x, 0, 1, {"Q8", "x", "x", ";"});
  EXPECT_EQ(Rows("c", 4), rows);
  EXPECT_EQ(ReadLines("c_Four")[8 + 3], kChosen + "1");
  EXPECT_EQ(NumbersAfterHeader(), 4 * 9u);

  Fit("p", 8, [](int k) { return 10.25 + (3 * k + k / 8.0) * 0.375; }, x, 10.25, 0.375,
      {"F", "Q8", "x", "0", "0.125", "0.125", "1", "x", ";"});
  EXPECT_EQ(Rows("p", 4), rows);
  const auto four = ReadLines("p_Four.dat"), curve = ReadLines("p_Four_c.dat");
  ASSERT_EQ(four.size(), 8u);
  ASSERT_EQ(curve.size(), 1u);
  const std::size_t w = engine->data.xWidth + 3;  // x in xWidth + 3 places
  EXPECT_NEAR(*ParseNumber(curve[0].substr(24, w)), std::cos(kPi / 4), 1e-12);
  EXPECT_NEAR(*ParseNumber(four[1].substr(four[1].size() - w)), std::cos(kPi / 4), 1e-12);
}

// While the command asks for its degree, its fit is made: menu items that
// would delete a point or change the period under it are refused, and the
// degree key is still the next key.
TEST_F(TrigCommandTest, MenuItemsWaitWhileTheDegreeIsAsked) {
  Fit("m", 12, [](int i) { return 0.1 * i; }, [](int i) { return std::cos(0.9 * i); }, 0, 0.7,
      {"Q8", ":Delete1", ":TPQ", "2", "x", ";"});
  EXPECT_EQ(engine->data.n, 12);
  EXPECT_TRUE(dialogs.shownFields.empty());
  EXPECT_EQ(engine->eph.period, 0.7);
  int refused = 0;
  for (const auto& l : host.log) refused += l == "!!! IO is not waiting for input";
  EXPECT_EQ(refused, 2);
  EXPECT_EQ(ReadLines("m_Four")[7 + 10], kChosen + "2");  // after the rows of degrees 0..9
}

// Harmonics 1..5 with small noise: the scan suggests 5; "3" fits degree 3,
// a letter keeps 5, and so does a constant signal (no S/N_a above 0); with
// 11 indices s_max is 5 and "7" keeps the suggestion.
TEST_F(TrigCommandTest, TheDegreeKey) {
  auto t = [](int i) { return 0.037 * i; };
  auto x = [](int i) {
    double v = 10 + 0.003 * std::sin(i * 12.9898);
    for (int k = 1; k <= 5; ++k)
      v += (0.35 - 0.05 * k) * std::cos(k * 2 * kPi * 0.037 * i / 0.7 + k);
    return v;
  };
  for (const auto& [key, degree] : {std::pair{"3", 3}, std::pair{"x", 5}}) {
    Fit("h", 100, t, x, 0, 0.7, {"Q8", key, "x", ";"});
    const auto lines = ReadLines("h_Four");
    EXPECT_EQ(lines[7 + 10], kChosen + Str(degree));
    EXPECT_EQ(lines.size(), 7u + 10 + 3 + 2 * (2 * degree + 1) + 2);  // C with errors, A^-1
  }
  Fit("k", 20, t, [](int) { return 3.1; }, 0, 0.7, {"Q8", "x", "x", ";"});
  EXPECT_EQ(ReadLines("k_Four")[7 + 10], kChosen + "5");
  EXPECT_EQ(Rows("k", 10)[9].substr(0, 33), "9    0.00000    0.00000   0.00000");
  Fit("h", 11, t, x, 0, 0.7, {"Q8", "x", "x", ";"});
  const std::string suggestion = ReadLines("h_Four")[7 + 6];
  ASSERT_EQ(suggestion.rfind(kChosen, 0), 0u);
  host.log.clear();
  Fit("h", 11, t, x, 0, 0.7, {"Q8", "7", "x", ";"});
  EXPECT_EQ(ReadLines("h_Four")[7 + 6], suggestion);
  EXPECT_TRUE(host.LoggedPart("Degree 7 is above the highest degree 5 of these points; degree " +
                              suggestion.substr(kChosen.size())));
}

// Points outside the window take no part in the fit (the report of a file
// without them) but "_Four.dat" lists every point. One index: only the
// mean, n = m, the row ends with 0 and has no Ampl/sig line.
TEST_F(TrigCommandTest, OnlyThePointsOfTheWindowAreFitted) {
  auto x = [](int i) {
    return 5 + std::cos(2 * kPi * 0.05 * i / 0.7) + 0.01 * std::sin(i * 7.7) +
           (i < 2 || i > 56 ? 5 : 0);
  };
  Fit(
      "in", 55, [](int i) { return 0.05 * (i + 2); }, [&](int i) { return x(i + 2); }, 0, 0.7,
      {"Q8", "2", "x", ";"});
  auto t = [](int i) { return 0.05 * i; };
  Fit("all", 60, t, x, 0, 0.7, {"L", "0.09", "2.81", "", "", "", "Q8", "2", "x", ";"});
  const auto a = ReadLines("all_Four"), b = ReadLines("in_Four");
  EXPECT_EQ(std::vector<std::string>(a.begin() + 6, a.end()),
            std::vector<std::string>(b.begin() + 6, b.end()));
  EXPECT_EQ(ReadLines("all_Four.dat").size(), 60u);
  EXPECT_NEAR(engine->data.s[1], 5, 0.05);  // an outlier: its residual
  host.log.clear();
  Fit("all", 60, t, x, 0, 0.7, {"L", "1.01", "1.09", "", "", "", "Q8", "x", "x", ";"});
  EXPECT_EQ(Rows("all", 1)[0],
            "0    0.00000    0.00000   0.00000 1.0000000    0.0    0.0 0.000      0");
  EXPECT_EQ(NumbersAfterHeader(), 8u);
}

// The coefficients and their errors, and a point of the time curve, from
// normal equations built here with direct cos/sin calls and solved by
// Gauss-Jordan elimination with partial pivoting: [A | b | I] -> [I | C | A^-1].
TEST_F(TrigCommandTest, CoefficientsAndErrorsAgainstAnIndependentSolve) {
  const double w = 2 * kPi / 0.7;
  auto t = [](int i) { return 0.1 * i + 0.03 * std::sin(i); };
  auto x = [&](int i) {
    const double a = w * t(i);
    return 10 + 0.4 * std::cos(a) + 0.2 * std::sin(a) + 0.05 * std::cos(2 * a) +
           0.01 * std::sin(i * 78.233);
  };
  Fit("q", 40, t, x, 0, 0.7, {"Q8", "2", "1", "1", "1", "1", ";"});
  auto basis = [&](double ti) {
    return std::vector<double>{1, std::cos(w * ti), std::sin(w * ti), std::cos(2 * w * ti),
                               std::sin(2 * w * ti)};
  };
  double mean = 0, yy = 0, b[5] = {}, g[5][11] = {};
  for (int i = 1; i <= 40; ++i) mean += engine->data.x[i] / 40;
  for (int i = 1; i <= 40; ++i) {
    const auto f = basis(engine->data.t[i]);
    const double y = engine->data.x[i] - mean;
    yy += y * y;
    for (int r = 0; r < 5; ++r) {
      for (int c = 0; c < 5; ++c) g[r][c] += f[r] * f[c];
      b[r] += f[r] * y;
      g[r][5] = b[r];
    }
  }
  for (int r = 0; r < 5; ++r) g[r][6 + r] = 1;
  for (int k = 0; k < 5; ++k) {
    int p = k;
    for (int r = k + 1; r < 5; ++r)
      if (std::fabs(g[r][k]) > std::fabs(g[p][k])) p = r;
    std::swap(g[k], g[p]);
    for (int c = 10; c >= k; --c) g[k][c] /= g[k][k];
    for (int r = 0; r < 5; ++r)
      if (r != k)
        for (int c = 10; c >= k; --c) g[r][c] -= g[r][k] * g[k][c];
  }
  double rss = yy;  // y'y - C'b at the solution
  for (int r = 0; r < 5; ++r) rss -= g[r][5] * b[r];
  const double s0 = std::sqrt(rss / 35);
  const auto lines = ReadLines("q_Four");  // 10 rows, then the chosen fit from line 17
  EXPECT_NEAR(*ParseNumber(lines[18].substr(22)), s0, 1e-12);
  for (int k = 0; k < 5; ++k) {
    EXPECT_NEAR(*ParseNumber(lines[20 + k].substr(0, 23)), g[k][5], 1e-11) << k;
    EXPECT_NEAR(*ParseNumber(lines[20 + k].substr(24)), s0 * std::sqrt(g[k][6 + k]), 1e-12) << k;
  }
  // The time curve at t = 1: the model and s_0 sqrt(f' A^-1 f).
  const auto f = basis(1);
  double model = mean, q = 0;
  for (int r = 0; r < 5; ++r) {
    model += g[r][5] * f[r];
    for (int c = 0; c < 5; ++c) q += f[r] * g[r][6 + c] * f[c];
  }
  const auto curve = ReadLines("q_Four_c.dat");
  ASSERT_EQ(curve.size(), 1u);
  const std::size_t width = engine->data.xWidth + 3;
  EXPECT_NEAR(*ParseNumber(curve[0].substr(24, width)), model, 1e-12);
  EXPECT_NEAR(*ParseNumber(curve[0].substr(25 + width, width)), s0 * std::sqrt(q), 1e-12);
}

struct GridCase {
  std::string name, start, end, step;
};
class SmoothedGridTest : public TrigCommandTest, public ::testing::WithParamInterface<GridCase> {};
TEST_P(SmoothedGridTest, IsRefusedWithoutAFile) {
  const GridCase& g = GetParam();
  Fit(
      "c", 8, [](int k) { return k / 8.0; }, [](int k) { return std::cos(k * 0.7); }, 0, 1,
      {"Q8", "1", "0", g.start, g.end, g.step, ";"});
  EXPECT_TRUE(host.LoggedPart("Smoothed values: "));
  EXPECT_FALSE(std::filesystem::exists(dir / "c_Four_c.dat"));
  EXPECT_EQ(ReadLines("c_Four.dat").size(), 8u);
}
INSTANTIATE_TEST_SUITE_P(Grids, SmoothedGridTest,
                         ::testing::Values(GridCase{"ZeroStep", "0", "1", "0"},
                                           GridCase{"NegativeStep", "0", "1", "-0.1"},
                                           GridCase{"EndBeforeStart", "1", "0", "0.1"},
                                           GridCase{"TooManyLines", "0", "1e9", "0.001"},
                                           GridCase{"OverTwoMillionLines", "0", "1", "4e-7"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace teril

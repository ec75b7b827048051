// The autocorrelation function ("A", ^F) and the lag map (^X, ^Z).  #12
#include "smoothing/autocorrelation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "console/file_run.h"
#include "data/settings.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "support/file_run_fixture.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

// The lagged sums written out plainly: C_k = sum over l of d_l d_(l+k).
std::vector<double> PlainLaggedSums(const std::vector<double>& d) {
  std::vector<double> c(d.size());
  for (std::size_t k = 0; k < d.size(); ++k)
    for (std::size_t l = 0; l + k < d.size(); ++l) c[k] += d[l] * d[l + k];
  return c;
}

// Lengths on both sides of the change from direct sums to the transform,
// and lengths whose padded size has large prime factors.
class LaggedSumsTest : public ::testing::TestWithParam<int> {};

TEST_P(LaggedSumsTest, AgreeWithThePlainSumsTo1e12OfC0) {
  const int m = GetParam();
  std::mt19937 gen(static_cast<unsigned>(m));
  std::normal_distribution<double> noise(0, 1);
  std::vector<double> d(static_cast<std::size_t>(m));
  double mean = 0;
  for (int i = 0; i < m; ++i) {
    d[i] = 12 + 0.5 * std::sin(0.05 * i) + 0.1 * noise(gen);
    mean += d[i] / m;
  }
  for (double& v : d) v -= mean;
  const std::vector<double> want = PlainLaggedSums(d);
  const std::vector<double> got = LaggedSums(d);
  ASSERT_EQ(got.size(), want.size());
  for (int k = 0; k < m; ++k) EXPECT_NEAR(got[k], want[k], 1e-12 * want[0]) << "lag " << k;
}

INSTANTIATE_TEST_SUITE_P(Autocorrelation, LaggedSumsTest,
                         ::testing::Values(1, 2, 7, 511, 512, 513, 2000, 4099));

class AutocorrelationTest : public testing::FileRunTest {
 protected:
  // Points t = 1..n (integers) with the given x (two decimals).
  std::string File(const std::vector<double>& x) {
    std::string text;
    for (std::size_t i = 0; i < x.size(); ++i)
      text += Str(static_cast<double>(i + 1), 4, 1) + " " + Str(x[i], 6, 2) + "\n";
    return WriteText("acf.dat", text);
  }

  std::vector<double> Column(const std::vector<double>& a) const {
    return {a.begin() + 1, a.begin() + 1 + engine->data.n};
  }
};

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-14) << i;
}

// 1..5 centred: -2, -1, 0, 1, 2; C = 10, 4, -1, -4, -4.
TEST_F(AutocorrelationTest, OneToFiveGivesTheNormalisedFunctionAgainstTheLag) {
  Run(File({1, 2, 3, 4, 5}), {"A", ";"});
  const DataSet& d = engine->data;
  ExpectNear(Column(d.x), {1, 0.4, -0.1, -0.4, -0.4});
  ExpectNear(Column(d.t), {0, 1, 2, 3, 4});
  ExpectNear(Column(d.t0), {0, 1, 2, 3, 4});
  EXPECT_EQ(d.tDecimals, 0);
  EXPECT_EQ(d.xDecimals, 6);
  EXPECT_FALSE(engine->checks.inverseX);
  // A constant series (C_0 = 0) keeps its data.
  Run(File({2, 2, 2}), {"A", "~G"});
  ExpectNear(Column(d.x), {2, 2, 2});
  ExpectNear(Column(d.t), {1, 2, 3});
}

// A window over points 3..7 is a series of its own: the results fill
// positions 1..5 and the points after them keep their values.
// The fit marks show x - s; once the series is replaced by its
// autocorrelation, s (the residuals of the light curve) means nothing.
TEST_F(AutocorrelationTest, TheFitMarksGoWithTheLightCurve) {
  Run(File({1, 2, 3, 4, 5}), {";"});
  engine->view.showFitMarks = true;
  ASSERT_TRUE(Autocorrelate(*engine));
  EXPECT_FALSE(engine->view.showFitMarks);
}

TEST_F(AutocorrelationTest, WindowNotStartingAtTheFirstPoint) {
  const std::string path = File({9, 9, 1, 2, 3, 4, 5, 7});
  // Current point 3 as left edge, point 7 as right edge, then "A".
  Run(path, {"3", "3", "~&", "3", "3", "3", "3", "~*", "A", "~G"});
  const DataSet& d = engine->data;
  ASSERT_EQ(d.n, 8);
  ExpectNear(Column(d.x), {1, 0.4, -0.1, -0.4, -0.4, 4, 5, 7});
  ExpectNear(Column(d.t), {0, 1, 2, 3, 4, 6, 7, 8});
}

// ^F keeps the visible points first; the lag map then counts from them:
// lag 3 = 5 - 2 is the last, one more ^X only beeps.
TEST_F(AutocorrelationTest, VisiblePartThenTheLagMapUpToItsLimit) {
  const std::string path = File({9, 9, 1, 2, 3, 4, 5, 7});
  Run(path, {"3", "3", "~&", "3", "3", "3", "3", "~*", "^F", "^X", "^X", "^X", "^X", "~G"});
  const DataSet& d = engine->data;
  EXPECT_EQ(engine->run.countAtLoad, 5);
  EXPECT_EQ(engine->view.mapShift, 3);
  EXPECT_EQ(host.beeps, 1);
  ASSERT_EQ(d.n, 2);
  // t[a] = x[a + 3] of the autocorrelation 1, 0.4, -0.1, -0.4, -0.4.
  ExpectNear(Column(d.t), {-0.4, -0.4});
  ExpectNear(Column(d.x), {1, 0.4});
  bool label = false;
  for (const auto& c : canvas.calls) label |= c.op == "Text" && c.text == "map shift=3";
  EXPECT_TRUE(label);
}

}  // namespace
}  // namespace teril

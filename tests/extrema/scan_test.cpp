// The grid search: the best point, the map and its drawing, and the
// independence of the result from the number of threads.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "extrema/models.h"
#include "extrema/scan_nonlinear.h"
#include "extrema_fixture.h"
#include "lsq/fit.h"
#include "support/recording_canvas.h"

namespace teril::testing {
namespace {

class ScanTest : public ExtremaTest {
 protected:
  // A flat-bottomed dip sampled at 41 points, mapped to u.
  void Dip(int count = 41) {
    LoadFunction(count, [count](double t) {
      const double u = 2.0 * t / (count - 1) - 1.0;
      const double a = std::fabs(u - 0.1) - 0.2;
      return a <= 0 ? 1.0 : 1.0 - std::min(a, 0.5) * 1.5 + 0.01 * std::sin(7 * u);
    });
    NormaliseInterval(engine->lsq, engine->data, 1, engine->data.n);
  }
  void Scan(int code, int method, double curvature = 1.0) {
    auto& s = engine->lsq;
    s.ModelCode = code;
    s.MethodNumber = method;
    s.CurvatureSign = curvature;
    s.x0 = 0;
    ScanNonlinear(*engine);
  }
};

TEST_F(ScanTest, BestPointIsTheSmallestSumOfTheMapAndIsRefitted) {
  Dip();
  Scan(1, 5);
  const auto& a = A();
  const auto& s = S();
  EXPECT_EQ(s.c5, a.mapBestI / 100.0);
  EXPECT_EQ(s.c6, a.mapBestJ / 100.0);
  // The refit of the best point gives bit for bit the sum of the grid.
  EXPECT_EQ(s.ResidualSum, a.mapMin);
  EXPECT_EQ(a.Map(a.mapBestI, a.mapBestJ), a.mapMin);
  for (int j = -100; j <= 100; ++j)
    for (int i = -100; i <= j; ++i) {
      EXPECT_GE(a.Map(i, j), a.mapMin);
      EXPECT_EQ(a.Map(i, j), a.Map(j, i));  // symmetric map
      if (a.Map(i, j) < 1e32) {
        EXPECT_LE(a.Map(i, j), a.mapMax);
      }
    }
  EXPECT_LE(a.mapBestI, a.mapBestJ);
}

// Every fit of the spline grid is rejected when the central parabola must
// open upward but the points lie on a parabola opening downward: the last
// grid point (c5 = 0.90, c6 = 0.95) stays the best one, the map is flat and
// a message box shows 1.
TEST_F(ScanTest, GridWithEveryFitRejectedEndsOnTheLastPoint) {
  LoadFunction(41, [](double t) {
    const double u = t / 20.0 - 1.0;
    return 3.0 - u * u;
  });
  NormaliseInterval(engine->lsq, engine->data, 1, 41);
  RecordingCanvas map(209, 209);
  engine->mapCanvas = &map;
  Scan(6, 8, 1.0);
  EXPECT_EQ(A().mapMin, 1e32);
  EXPECT_EQ(A().mapMax, 1e32);
  EXPECT_EQ(A().mapBestI, 90);
  EXPECT_EQ(A().mapBestJ, 95);
  EXPECT_EQ(S().c5, 0.9);
  EXPECT_EQ(S().c6, 0.95);
  EXPECT_EQ(S().ResidualSum, 1e32);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "1");
  // Flat map: every pixel of the 191 x 191 cells blue.
  int pixels = 0;
  for (const auto& c : map.calls)
    if (c.op == "SetPixel") {
      ++pixels;
      EXPECT_EQ(c.pen, (Rgb{0, 0, 255}));
    }
  EXPECT_EQ(pixels, 191 * 191);
}

TEST_F(ScanTest, MapIsDrawnWithABlackCrossThroughTheBestPoint) {
  Dip();
  RecordingCanvas map(209, 209);
  engine->mapCanvas = &map;
  Scan(1, 5);
  const int ib = A().mapBestI, jb = A().mapBestJ;
  auto lines = map.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].a, 0);
  EXPECT_EQ(lines[0].b, jb + 104);
  EXPECT_EQ(lines[0].c, 209);
  EXPECT_EQ(lines[1].a, ib + 104);
  EXPECT_EQ(lines[1].d, 209);
  EXPECT_EQ(lines[0].pen, (Rgb{0, 0, 0}));
  // The best cell is at level 0: blue; a pixel's colour follows the formula.
  bool seenBest = false, seenOther = false;
  const double k = 1.0 / (A().mapMax - A().mapMin);
  for (const auto& c : map.calls) {
    if (c.op != "SetPixel") continue;
    const int i = c.a - 104, j = c.b - 104;
    double w = A().Map(i, j);
    if (w == 1e32) w = A().mapMax;
    const double level = 15.0 * std::sqrt(std::fabs(k * (w - A().mapMin)));
    const double phi = level - std::trunc(level);
    EXPECT_EQ(c.pen.r, static_cast<int>(std::trunc(255 * phi)));
    EXPECT_EQ(c.pen.b, static_cast<int>(std::trunc(255 * (1 - phi))));
    if (i == ib && j == jb) {
      seenBest = true;
      EXPECT_EQ(c.pen, (Rgb{0, 0, 255}));
    } else {
      seenOther = true;
    }
  }
  EXPECT_TRUE(seenBest);
  EXPECT_TRUE(seenOther);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ScanTest, NoCanvasNoDrawing) {
  Dip();
  engine->mapCanvas = nullptr;
  Scan(2, 6);
  EXPECT_LT(A().mapMin, 1e32);
}

// Threads change nothing: the map, the best point and the refit are the
// same bit for bit as with one thread, for every model.
class ThreadIndependence : public ScanTest, public ::testing::WithParamInterface<int> {};

TEST_P(ThreadIndependence, SameResultAsOneThread) {
  const int method = GetParam();
  Dip(57);
  const int code = ModelCodeOf(method);
  auto run = [&](int threads) {
    engine->approx.scanThreads = threads;
    engine->lsq.c5 = engine->lsq.c6 = 1.0;
    Scan(code, method);
    return std::make_tuple(A().ResidualMap, S().c5, S().c6, S().x0, S().ResidualSum, A().mapMin,
                           A().mapMax);
  };
  const auto one = run(1);
  const auto three = run(3);
  EXPECT_TRUE(one == three);
  // The refit of the chosen point equals its map value: bit for bit where
  // the grid evaluates the basis directly, within a few units in the last
  // place for NAV and Mik, whose grid carries the power F^c6 along a column.
  if (code == 3 || code == 4)
    EXPECT_NEAR(S().ResidualSum, A().mapMin, 1e-12 * A().mapMin);
  else
    EXPECT_EQ(S().ResidualSum, A().mapMin);
}

// The carried powers of NAV and Mik: every cell of the map is the sum that
// a direct fit at that cell gives, to 1e-12.
TEST_F(ScanTest, PowerModelsMapMatchesDirectFits) {
  Dip(57);
  for (int code : {3, 4}) {
    Scan(code, code);
    auto map = A().ResidualMap;
    LsqState& s = engine->lsq;
    int checked = 0;
    for (int i = -100; i <= 100; i += 37)
      for (int j = -100; j <= 100; j += 13) {  // rows between the fresh powers too
        const double cell = map[(i + kMapHalf) * kMapSide + (j + kMapHalf)];
        s.ModelCode = code;
        s.MethodNumber = code;
        s.c5 = i / 100.0;
        s.c6 = 2.0 * j / 100.0 + 3.0;
        FitWithBasis(s);
        if (cell >= 1e32 || s.ResidualSum >= 1e32) {
          EXPECT_EQ(cell, s.ResidualSum);
          continue;
        }
        EXPECT_NEAR(cell, s.ResidualSum, 1e-12 * s.ResidualSum) << i << " " << j;
        ++checked;
      }
    EXPECT_GT(checked, 20);
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, ThreadIndependence,
                         ::testing::Values(3, 4, 5, 6, 7, 8, 9, 10, 11));

}  // namespace
}  // namespace teril::testing

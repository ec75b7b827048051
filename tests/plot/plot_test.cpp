// The point plot: crosses, observer colours, overlays.
#include <gtest/gtest.h>

#include <cmath>

#include "base/numfmt.h"
#include "plot_fixture.h"

namespace teril::testing {
namespace {

class DrawPlotTest : public PlotTest {
 protected:
  // The LineTo calls of the cross strokes (and extra stroke) of a point
  // drawn at (px, py) with half-size h.
  std::vector<CanvasCall> StrokesAt(int px, int py, int h = 3) const {
    std::vector<CanvasCall> out;
    for (auto& l : canvas.Lines()) {
      const bool horizontal = l.a == px - h && l.b == py && l.c == px + h && l.d == py;
      const bool vertical = l.a == px && l.b == py - h && l.c == px && l.d == py + h;
      const bool extra = l.a == px - 1 && l.b == py - h && l.c == px - 1 && l.d == py + h;
      if (horizontal || vertical || extra) out.push_back(l);
    }
    return out;
  }
};

TEST_F(DrawPlotTest, OtherObserverIsRedAndSelectedHasExtraStroke) {
  Load({0, 1, 2}, {1, 2, 3}, {"AB", "CD", "AB"});
  ResetView(*engine);  // j = 1: observer "AB" is selected
  EXPECT_EQ(v().selectedObserver.str(), "AB");
  const int px2 = ToPixelX(*engine, 1), py2 = ToPixelY(*engine, 2);
  auto other = StrokesAt(px2, py2);
  ASSERT_EQ(other.size(), 2u);  // no extra stroke
  for (auto& s : other) EXPECT_EQ(s.pen, kRed);
  auto own = StrokesAt(ToPixelX(*engine, 0), ToPixelY(*engine, 1));
  ASSERT_EQ(own.size(), 3u);
  EXPECT_EQ(own[0].a, ToPixelX(*engine, 0) - 1);  // the extra stroke comes first
  for (auto& s : own) EXPECT_EQ(s.pen, kBlue);
}

TEST_F(DrawPlotTest, ObserverCodesDifferingInLengthAreDifferent) {
  Load({0, 1}, {1, 2}, {"AB", "AB "});
  ResetView(*engine);
  auto second = StrokesAt(ToPixelX(*engine, 1), ToPixelY(*engine, 2));
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].pen, kRed);
}

TEST_F(DrawPlotTest, WithoutHighLightTheSelectedPointsKeepThePreviousPen) {
  engine->checks.highlightAuthor = false;
  Load({0, 1, 2}, {1, 2, 3}, {"AB", "CD", "AB"});
  ResetView(*engine);
  auto first = StrokesAt(ToPixelX(*engine, 0), ToPixelY(*engine, 1));
  auto third = StrokesAt(ToPixelX(*engine, 2), ToPixelY(*engine, 3));
  ASSERT_EQ(first.size(), 3u);
  ASSERT_EQ(third.size(), 3u);
  EXPECT_EQ(first[0].pen, kBlue);  // the main pen set before the points
  EXPECT_EQ(third[0].pen, kRed);   // left over from the other observer's point
}

TEST_F(DrawPlotTest, CountsVisiblePointsAndEndsWithCursorPoint) {
  LoadLine(50);
  ResetView(*engine);
  v().tMin = 10;
  v().tMax = 20.5;
  v().cursorPoint = 15;
  v().j = 3;
  DrawPlot(*engine);
  EXPECT_EQ(v().firstVisible, 11);
  EXPECT_EQ(v().lastVisible, 21);
  EXPECT_EQ(v().j, 15);
  EXPECT_EQ(canvas.pen, kGreen);
  // 11 crosses of 3 strokes each (one observer), plus the frame's lines.
  int strokes = 0;
  for (int i = 11; i <= 21; ++i)
    strokes += static_cast<int>(
        StrokesAt(ToPixelX(*engine, i - 1), ToPixelY(*engine, engine->data.x[i])).size());
  EXPECT_EQ(strokes, 33);
}

TEST_F(DrawPlotTest, EmptyWindowCountsNothing) {
  Load({0, 10}, {1, 2});
  ResetView(*engine);
  v().tMin = 2;
  v().tMax = 8;
  DrawPlot(*engine);
  EXPECT_EQ(v().firstVisible, 0);
  EXPECT_EQ(v().lastVisible, 0);
}

TEST_F(DrawPlotTest, FitMarksAtXMinusS) {
  Load({0, 1, 2}, {1, 2, 3});
  engine->data.s[2] = 0.5;
  v().showFitMarks = true;
  ResetView(*engine);
  const int px = ToPixelX(*engine, 1), py = ToPixelY(*engine, 1.5);
  bool found = false;
  for (auto& l : canvas.Lines())
    if (l.a == px - 2 && l.c == px + 2 && l.b == py && l.d == py) found = l.pen == kMaroon;
  EXPECT_TRUE(found);
}

TEST_F(DrawPlotTest, PendingLeftMarkIsCircledAndLabelled) {
  LoadLine(10);
  ResetView(*engine);
  v().leftMark = 4;
  Redraw(*engine);
  EXPECT_EQ(TextAt(40, 280), "    4");
  const int px = ToPixelX(*engine, 3), py = ToPixelY(*engine, engine->data.x[4]);
  int circles = 0;
  for (auto& c : canvas.SinceLastClear()) {
    if (c.op != "Ellipse" || c.pen != kNavy) continue;
    const int r = (c.c - c.a) / 2;
    EXPECT_EQ(c.a + r, px);
    EXPECT_EQ(c.b + r, py);
    EXPECT_TRUE(r == 4 || r == 5);
    ++circles;
  }
  EXPECT_EQ(circles, 2);
}

TEST_F(DrawPlotTest, MapShiftLabel) {
  LoadLine(10);
  v().mapShift = 3;
  ResetView(*engine);
  EXPECT_EQ(TextAt(320, 312), "map shift=3");
}

// A cubic is reproduced exactly by four-point Lagrange interpolation, so
// every pixel of the curve must sit where the cubic itself maps.
TEST_F(DrawPlotTest, InterpolationCurveFollowsACubic) {
  auto cubic = [](double t) { return 0.02 * t * t * t - 0.3 * t * t + t + 5; };
  std::vector<double> t, x;
  for (int i = 0; i <= 12; ++i) {
    t.push_back(i);
    x.push_back(cubic(i));
  }
  Load(t, x);
  v().showInterpolation = true;
  ResetView(*engine);
  int pixels = 0;
  for (auto& c : canvas.SinceLastClear()) {
    if (c.op != "SetPixel") continue;
    ++pixels;
    EXPECT_EQ(c.pen, (Rgb{10, 0, 0}));
    const double tp = (c.a - 130) / v().tScale + v().tOrigin;
    const int expected =
        static_cast<int>(std::nearbyint((cubic(tp) - v().xMid) * v().xScale)) + 150;
    EXPECT_NEAR(c.b, expected, 0) << "column " << c.a;
    EXPECT_GT(c.b, 10);
    EXPECT_LT(c.b, 350);
  }
  EXPECT_GT(pixels, 480);
  EXPECT_LE(pixels, 501);
  // The crosses grow to half-size 4.
  EXPECT_EQ(StrokesAt(ToPixelX(*engine, 5), ToPixelY(*engine, cubic(5)), 4).size(), 3u);
}

TEST_F(DrawPlotTest, InterpolationCurveNeedsFourPointsAndDistinctTimes) {
  Load({0, 1, 2}, {1, 3, 2});
  v().showInterpolation = true;
  ResetView(*engine);
  for (auto& c : canvas.SinceLastClear()) EXPECT_NE(c.op, "SetPixel");
  Load({0, 1, 1, 1, 2}, {1, 3, 2, 4, 5});
  v().showInterpolation = true;
  ResetView(*engine);  // every four neighbours share a time: no column is defined
  for (auto& c : canvas.SinceLastClear()) EXPECT_NE(c.op, "SetPixel");
}

}  // namespace
}  // namespace teril::testing

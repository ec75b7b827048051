// Zoom, scroll, edges and the signal limits.
#include <gtest/gtest.h>

#include <cmath>

#include "base/numfmt.h"
#include "plot_fixture.h"

namespace teril::testing {
namespace {

class ViewTest : public PlotTest {};

TEST_F(ViewTest, ThreeZoomsInAndOutRestoreTheWindowAndKeepTheColumn) {
  LoadLine(101);  // t = 0..100
  ResetView(*engine);
  v().j = v().cursorPoint = 38;  // t = 37
  Redraw(*engine);
  const int column = ToPixelX(*engine, 37);
  for (int k = 0; k < 3; ++k) {
    Run(ZoomIn(*engine));
    EXPECT_EQ(ToPixelX(*engine, 37), column);
    EXPECT_EQ(v().j, 38);
  }
  EXPECT_EQ(v().tMin, 32.375);
  EXPECT_EQ(v().tMax, 44.875);
  for (int k = 0; k < 3; ++k) {
    Run(ZoomOut(*engine));
    EXPECT_EQ(ToPixelX(*engine, 37), column);
  }
  EXPECT_EQ(v().tMin, 0);
  EXPECT_EQ(v().tMax, 100);
  EXPECT_EQ(v().halfWidth, 50);
  EXPECT_EQ(v().scrollShift, 0);
}

TEST_F(ViewTest, ScrollRightAtTheEndClampsAndKeepsTheWidth) {
  LoadLine(101);
  ResetView(*engine);
  v().j = v().cursorPoint = 91;  // t = 90
  Run(ZoomIn(*engine));          // window 45..95
  ASSERT_EQ(v().tMin, 45);
  Run(ScrollRight(*engine));
  EXPECT_EQ(v().tMax, 100);
  EXPECT_EQ(v().tMin, 50);
  EXPECT_EQ(v().lastVisible, 101);
  EXPECT_EQ(v().j, 91);       // the current point stayed visible
  Run(ScrollRight(*engine));  // pinned at the end: nothing changes
  EXPECT_EQ(v().tMin, 50);
  EXPECT_EQ(v().tMax, 100);
}

TEST_F(ViewTest, ScrollLeftAtTheStartClampsAndMovesTheCursorIntoTheWindow) {
  LoadLine(101);
  ResetView(*engine);
  v().j = v().cursorPoint = 81;
  Run(ZoomIn(*engine));
  Run(ZoomIn(*engine));  // 60..85
  for (int k = 0; k < 8; ++k) Run(ScrollLeft(*engine));
  EXPECT_EQ(v().tMin, 0);
  EXPECT_EQ(v().tMax, 25);
  // Windows 47.5..72.5 (t = 80 left: first visible t = 48), 35..60 (48 stays),
  // 22.5..47.5 (48 left: t = 23), 10..35, 0..25 (23 stays).
  EXPECT_EQ(v().cursorPoint, 24);
  EXPECT_EQ(v().j, 24);
}

struct GapCase {
  double farTime;  // where the points beyond the gap begin
  double shift;    // +1 right, -1 left
};

class GapCrossing : public PlotTest, public ::testing::WithParamInterface<GapCase> {};

// The expected window comes from the plain repetition: shift by one
// half-width, clamp, until a point is inside.
TEST_P(GapCrossing, MovesOnUntilAPointIsInside) {
  const GapCase c = GetParam();
  const double f = c.farTime;
  const bool right = c.shift > 0;
  if (right) {
    Load({0, 1, 2, 3, 4, f, f + 1, f + 2}, {1, 2, 3, 2, 1, 4, 5, 6});
  } else {
    Load({0, 1, 2, f, f + 1, f + 2, f + 3, f + 4}, {1, 2, 3, 2, 1, 4, 5, 6});
  }
  ResetView(*engine);
  v().tMin = right ? 4 : f - 1;  // one point at the edge facing the gap
  v().tMax = v().tMin + 1;
  v().j = v().cursorPoint = right ? 5 : 4;
  Redraw(*engine);
  ASSERT_EQ(v().halfWidth, 0.5);

  double lo = v().tMin, hi = v().tMax;
  for (bool inside = false; !inside;) {
    lo += 0.5 * c.shift;
    hi += 0.5 * c.shift;
    if (lo < v().tMinAll) lo = v().tMinAll, hi = lo + 1;
    if (hi > v().tMaxAll) hi = v().tMaxAll, lo = hi - 1;
    for (int i = 1; i <= engine->data.n; ++i)
      if (lo <= engine->data.t[i] && engine->data.t[i] <= hi) inside = true;
  }
  Run(right ? ScrollRight(*engine) : ScrollLeft(*engine));
  EXPECT_EQ(v().tMin, lo);
  EXPECT_EQ(v().tMax, hi);
  if (right) {
    EXPECT_EQ(v().firstVisible, 6);
  } else {
    EXPECT_EQ(v().lastVisible, 3);
  }
  EXPECT_EQ(v().j, v().firstVisible);  // the old current point is left behind
}

INSTANTIATE_TEST_SUITE_P(Gaps, GapCrossing,
                         ::testing::Values(GapCase{100, 1}, GapCase{100, -1}, GapCase{1e6, 1},
                                           GapCase{1e6, -1}));

TEST_F(ViewTest, ZoomAboutAPointOutsideAnEmptyWindowStopsAndRecovers) {
  Load({0, 10}, {1, 2});
  ResetView(*engine);
  v().tMin = 2;
  v().tMax = 8;
  v().halfWidth = 3;
  v().j = 1;
  v().scrollShift = 0;
  MoveWindow(*engine);  // nothing can move the window: it must end
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "PL5 1 0 0");
  // The read-out recovered by centring the window on the current point.
  EXPECT_LE(v().tMin, 0);
  EXPECT_GE(v().tMax, 0);
  EXPECT_EQ(v().firstVisible, 1);
}

TEST_F(ViewTest, PhaseModeDoesNotMoveTheWindow) {
  LoadLine(10);
  ResetView(*engine);
  engine->data.phased = true;
  v().scrollShift = 1;
  const double before = v().tMin;
  canvas.calls.clear();
  MoveWindow(*engine);
  EXPECT_EQ(v().tMin, before);
  EXPECT_TRUE(canvas.calls.empty());
}

TEST_F(ViewTest, EdgesAndWholeRange) {
  LoadLine(20);
  ResetView(*engine);
  v().j = 6;
  Run(LeftEdge(*engine));
  EXPECT_EQ(v().tMin, 5);
  v().j = 16;
  Run(RightEdge(*engine));
  EXPECT_EQ(v().tMax, 15);
  EXPECT_EQ(v().firstVisible, 6);
  EXPECT_EQ(v().lastVisible, 16);
  Run(DataStartAsLeftEdge(*engine));
  EXPECT_EQ(v().tMin, 0);
  Run(DataEndAsRightEdge(*engine));
  EXPECT_EQ(v().tMax, 19);
  v().j = 11;
  v().halfWidth = 2;
  Run(CentreCommand(*engine));
  EXPECT_EQ(v().tMin, 8);
  EXPECT_EQ(v().tMax, 12);
  EXPECT_EQ(v().tCentre, 10);
}

TEST_F(ViewTest, RescaleUsesTheVisiblePointsAndSetsTheReferences) {
  Load({0, 1, 2, 3, 4}, {9, 2, 4, 8, 2});
  engine->checks.inverseX = true;  // smaller values on top: the limits keep their order
  ResetView(*engine);
  EXPECT_EQ(v().xMinAll, 2);
  EXPECT_EQ(v().xMaxAll, 9);
  EXPECT_EQ(v().xMinIdx, 2);  // the first of the equal smallest values
  EXPECT_EQ(v().x0Ref, 2);
  EXPECT_NEAR(v().m0Ref, -2.5 * std::log10(9.0), 1e-12);
  bool written = false;
  for (auto& c : canvas.calls)
    if (c.op == "Text" && c.a == 300 && c.b == 250) written = c.text == Sci23(2.0);
  EXPECT_TRUE(written);

  v().tMin = 2;
  v().tMax = 3;
  Redraw(*engine);
  Run(Refresh(*engine));
  EXPECT_EQ(v().xMin, 4);
  EXPECT_EQ(v().xMax, 8);
  EXPECT_EQ(v().xMinAll, 2);  // not every point is visible: kept
  EXPECT_EQ(v().xMaxAll, 9);
  Run(WholeSetSignalRange(*engine));
  EXPECT_EQ(v().xMax, 9);
}

TEST_F(ViewTest, ReferencesFollowTheTransformationFlags) {
  Load({0, 1, 2}, {0, 5, -1});
  engine->run.flags.intensityToMagnitude = true;
  v().m0Ref = 7;
  ResetView(*engine);
  EXPECT_EQ(v().x0Ref, -1);
  EXPECT_EQ(v().m0Ref, 7);  // kept while magnitudes are shown
  Load({0, 1}, {0, -3});
  engine->run.flags = TransformFlags();
  ResetView(*engine);
  EXPECT_EQ(v().x0Ref, -3);
  Load({0, 1}, {0, 3});
  ResetView(*engine);
  EXPECT_EQ(v().x0Ref, 1);  // xMin = 0
  engine->run.flags.magnitudeToIntensity = true;
  Load({0, 1}, {2, 3});
  ResetView(*engine);
  EXPECT_EQ(v().x0Ref, 1);
}

TEST_F(ViewTest, ResetViewFindsTheRangeOfUnsortedTimes) {
  Load({5, -2, 9, 1}, {1, 2, 3, 4});
  engine->data.tDecimals = 2;
  ResetView(*engine);
  EXPECT_EQ(v().tMinAll, -2);
  EXPECT_EQ(v().tMaxAll, 9);
  EXPECT_EQ(v().levelYc, 1);
  EXPECT_EQ(engine->data.tWidth, 5);  // FitPrintWidth(2, -2, 9) = 6, less one
}

class PromptHost : public ScriptedHost {
 public:
  std::vector<std::string> prompts;
  void Wait(Console& console) override {
    prompts.push_back(console.pendingPrompt);
    ScriptedHost::Wait(console);
  }
};

TEST_F(TempFolderTest, AskViewLimitsKeepsEmptyAndRefusedAnswers) {
  PromptHost host;
  ScriptedDialogs dialogs;
  EngineOptions o;
  o.workFolder = (dir / "work").string();
  Engine engine(host, dialogs, o);
  RecordingCanvas canvas;
  AttachCanvas(engine, &canvas);
  engine.view.tMin = 1.5;
  engine.view.tMax = 2;
  engine.view.xMin = 3;
  engine.view.xMax = 4;
  engine.view.levelYc = 0.25;
  host.Add({"5", "", "abc", "7.5", " -2 "});
  EXPECT_EQ(SetViewLimits(engine), Continuation::Redraw);
  EXPECT_EQ(host.prompts,
            (std::vector<std::string>{"t1= [1.5]", "t2= [2]", "x1= [3]", "v2= [4]", "yc= [0.25]"}));
  EXPECT_EQ(engine.view.tMin, 5);
  EXPECT_EQ(engine.view.tMax, 2);
  EXPECT_EQ(engine.view.xMin, 3);
  EXPECT_EQ(engine.view.xMax, 7.5);
  EXPECT_EQ(engine.view.levelYc, -2);
  ASSERT_FALSE(canvas.calls.empty());
  EXPECT_EQ(canvas.calls[0].op, "Clear");
}

}  // namespace
}  // namespace teril::testing

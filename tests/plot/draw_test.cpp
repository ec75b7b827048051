// Pixel mapping, palette, primitives and the frame.
#include <gtest/gtest.h>

#include <cmath>

#include "base/numfmt.h"
#include "plot_fixture.h"

namespace teril::testing {
namespace {

struct MappingCase {
  double value;
  int expected;
};

class ToPixelXHalves : public ::testing::TestWithParam<MappingCase> {};

// Origin 0 and one pixel per unit: t lands on 130 + t, halves go to the even
// neighbour (130.5 -> 130, 131.5 -> 132, 129.5 -> 130).
TEST_P(ToPixelXHalves, RoundsHalvesToEven) {
  ViewState v;
  v.tOrigin = 0;
  v.tScale = 1;
  EXPECT_EQ(ToPixelX(v, GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Columns, ToPixelXHalves,
                         ::testing::Values(MappingCase{0.5, 130}, MappingCase{1.5, 132},
                                           MappingCase{2.5, 132}, MappingCase{-0.5, 130},
                                           MappingCase{-1.5, 128}, MappingCase{0.49, 130},
                                           MappingCase{0.51, 131}, MappingCase{1e300, 100000000},
                                           MappingCase{NAN, -100000000}));

class ToPixelYHalves : public ::testing::TestWithParam<MappingCase> {};

TEST_P(ToPixelYHalves, RoundsHalvesToEven) {
  ViewState v;
  v.xMid = 10;
  v.xScale = -2;  // larger values higher up
  EXPECT_EQ(ToPixelY(v, GetParam().value), GetParam().expected);
}

// (x - 10) * -2 + 150: 9.75 -> 150.5 -> 150; 9.25 -> 151.5 -> 152; 10.25 -> 149.5 -> 150.
INSTANTIATE_TEST_SUITE_P(Rows, ToPixelYHalves,
                         ::testing::Values(MappingCase{9.75, 150}, MappingCase{9.25, 152},
                                           MappingCase{10.25, 150}, MappingCase{80, 10},
                                           MappingCase{-60, 290}));

struct WidthCase {
  int decimals;
  double low, high;
  int expected;
};

class FitPrintWidthTable : public ::testing::TestWithParam<WidthCase> {};

TEST_P(FitPrintWidthTable, Width) {
  const WidthCase& c = GetParam();
  EXPECT_EQ(FitPrintWidth(c.decimals, c.low, c.high), c.expected);
}

// Worked by hand: 2450100.2 has 7 integer digits, so 5 decimals need
// 7 + 1 + 5 = 13 characters and one leading blank: 14.
INSTANTIATE_TEST_SUITE_P(Widths, FitPrintWidthTable,
                         ::testing::Values(WidthCase{5, 2450000.1, 2450100.2, 14},
                                           WidthCase{3, 0.5, 0.9, 6}, WidthCase{3, -12.5, 3, 8},
                                           WidthCase{0, 5, 999, 4}, WidthCase{0, 1000, 1000, 5},
                                           WidthCase{2, -0.5, 0.5, 6}, WidthCase{4, -3, -200, 10}));

TEST(Palette, RolesHaveTheirColours) {
  EXPECT_EQ(Palette[14], (Rgb{0, 0, 255}));
  EXPECT_EQ(Palette[13], (Rgb{0, 128, 0}));
  EXPECT_EQ(Palette[10], (Rgb{255, 0, 0}));
  EXPECT_EQ(Palette[11], (Rgb{0, 0, 128}));
  EXPECT_EQ(Palette[12], (Rgb{128, 0, 0}));
  EXPECT_EQ(Palette[16], (Rgb{0, 0, 0}));
  EXPECT_EQ(Palette[3], (Rgb{255, 251, 240}));
  EXPECT_EQ(RgbFromRaw(10), (Rgb{10, 0, 0}));
  EXPECT_EQ(RgbFromRaw(0x123456), (Rgb{0x56, 0x34, 0x12}));
}

class PrimitivesTest : public PlotTest {};

TEST_F(PrimitivesTest, WhitePenIsLogged) {
  SetPenColor(*engine, 0);
  EXPECT_TRUE(host.Logged("LOG>>>WHite!"));
  EXPECT_EQ(canvas.pen, (Rgb{255, 255, 255}));
  EXPECT_EQ(v().penIndex, 0);
}

TEST_F(PrimitivesTest, IndexOutOfRangeLogsAndSelectsBlack) {
  SetPenColor(*engine, 10);
  EXPECT_TRUE(host.log.empty());
  SetPenColor(*engine, 17);
  EXPECT_TRUE(host.Logged("Color overflow"));
  EXPECT_EQ(canvas.pen, (Rgb{0, 0, 0}));
  host.log.clear();
  SetPenColor(*engine, -1);
  EXPECT_TRUE(host.Logged("Color overflow"));
}

TEST_F(PrimitivesTest, CallsReachTheCanvasWithThePen) {
  SetPenColor(*engine, 12);
  DrawLine(*engine, 1, 2, 3, 4);
  DrawCircle(*engine, 50, 60, 5);
  DrawRect(*engine, 0, 90, 118, 200);
  DrawPixel(*engine, 7, 8, 10u);
  DrawText(*engine, 5, 6, "abc");
  ASSERT_EQ(canvas.calls.size(), 6u);
  EXPECT_EQ(canvas.calls[1].op, "LineTo");
  EXPECT_EQ(canvas.calls[1].a, 1);
  EXPECT_EQ(canvas.calls[1].d, 4);
  EXPECT_EQ(canvas.calls[1].pen, kMaroon);
  EXPECT_EQ(canvas.calls[2].op, "Ellipse");
  EXPECT_EQ(canvas.calls[2].a, 45);
  EXPECT_EQ(canvas.calls[2].d, 65);
  EXPECT_EQ(canvas.calls[4].pen, (Rgb{10, 0, 0}));
  EXPECT_EQ(canvas.calls[5].text, "abc");
}

TEST_F(PrimitivesTest, EverythingIsSafeWithoutCanvas) {
  AttachCanvas(*engine, nullptr);
  LoadLine(20);
  SetPenColor(*engine, 3);
  DrawLine(*engine, 0, 0, 5, 5);
  DrawText(*engine, 0, 0, "x");
  DrawPixel(*engine, 0, 0, Rgb{});
  ClearPlot(*engine);
  ResetView(*engine);
  EXPECT_EQ(v().firstVisible, 1);
  EXPECT_EQ(v().lastVisible, 20);
  EXPECT_TRUE(canvas.calls.empty());
}

class FrameTest : public PlotTest {};

TEST_F(FrameTest, EqualTimesGiveMicroWindowAndColumn130) {
  Load({5, 5, 5, 5}, {1, 2, 3, 4});
  ResetView(*engine);
  EXPECT_EQ(v().tMin, 5);
  EXPECT_EQ(v().tMax, 5 + 1e-6);
  int crosses = 0;
  for (auto& l : canvas.Lines()) {
    // Horizontal cross strokes run px-3..px+3 around column 130.
    if (l.b == l.d && l.b >= 10 && l.b <= 290 && l.a == 127) {
      EXPECT_EQ(l.c, 133);
      ++crosses;
    }
  }
  EXPECT_EQ(crosses, 4);
}

TEST_F(FrameTest, DegenerateWindowInsideTheDataIsWidenedToTheWholeRange) {
  Load({0, 10, 20}, {1, 2, 3});
  ResetView(*engine);
  v().tMin = v().tMax = 10;  // both edges on the same point
  Redraw(*engine);
  EXPECT_EQ(v().tMin, 0);
  EXPECT_EQ(v().tMax, 20);
  EXPECT_EQ(ToPixelX(*engine, 0), 130);
  EXPECT_EQ(ToPixelX(*engine, 20), 630);
}

TEST_F(FrameTest, InverseOrientationPutsSmallestAtTopAndClearingExchangesLabels) {
  Load({1, 2, 3, 4, 5}, {3, 1, 2, 5, 4});
  engine->checks.inverseX = true;
  engine->checks.inverseX = true;
  ResetView(*engine);
  EXPECT_EQ(ToPixelY(*engine, 1), 10);
  EXPECT_EQ(ToPixelY(*engine, 5), 290);
  const int labelX = 117 - 8 * engine->data.xWidth;
  EXPECT_EQ(engine->data.xWidth, 6);  // 3 decimals, one integer digit
  EXPECT_EQ(TextAt(labelX, 9), " 1.000");
  EXPECT_EQ(TextAt(labelX, 288), " 5.000");

  engine->checks.inverseX = false;
  ASSERT_EQ(InverseX(*engine), Continuation::Redraw);
  Redraw(*engine);
  EXPECT_EQ(TextAt(labelX, 9), " 5.000");
  EXPECT_EQ(TextAt(labelX, 288), " 1.000");
  EXPECT_EQ(ToPixelY(*engine, 5), 10);
  // The exchange stays in the view state, indices included.
  EXPECT_EQ(v().xMin, 5);
  EXPECT_EQ(v().xMinIdx, 4);
  EXPECT_EQ(v().xMaxIdx, 2);
}

TEST_F(FrameTest, LabelsStatusAndLetters) {
  Load({100.5, 102, 103.25}, {1, 2, 3});
  engine->run.columnX = 3;
  engine->run.headerLines = 12;
  engine->run.flags.lgX = true;
  engine->run.flags.magnitudeToIntensity = true;
  ResetView(*engine);
  EXPECT_EQ(engine->data.tWidth, 7);  // 3 decimals, 3 digits: "103.250"
  EXPECT_EQ(TextAt(0, 60), "N=   3");
  EXPECT_EQ(TextAt(0, 75), "C= 3");
  EXPECT_EQ(TextAt(48, 60), "nb=    12");
  EXPECT_EQ(TextAt(120, 304), "100.500");
  EXPECT_EQ(TextAt(374 - 4 * 7, 304), "101.8750");
  EXPECT_EQ(TextAt(639 - 8 * 7, 304), "103.250");
  EXPECT_EQ(TextAt(72, 300), "y");
  EXPECT_EQ(TextAt(96, 300), "i");
  EXPECT_EQ(TextAt(56, 300), " ");
  bool command = false;
  for (auto& c : canvas.Texts())
    if (c.text == "Command >>" && c.a == 0 && c.b == 350) command = c.pen == kRed;
  EXPECT_TRUE(command);
  // Frame and the ten ticks.
  int frames = 0, ticks = 0;
  for (auto& c : canvas.SinceLastClear()) {
    if (c.op == "Rectangle" && c.a == 119 && c.b == 0 && c.c == 639 && c.d == 300) ++frames;
    if (c.op == "LineTo" &&
        ((c.a == 120 && c.c == 127) || (c.a == 633 && c.c == 640) ||
         (c.a == c.c && (c.a == 130 || c.a == 380 || c.a == 630) && (c.b == 0 || c.b == 294))))
      ++ticks;
  }
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(ticks, 10);
  EXPECT_TRUE(TextsAt(100, 412).empty());  // no ephemeris outside phase mode
}

TEST_F(FrameTest, PhaseModeShowsTheEphemeris) {
  Load({-0.4, 0, 0.3}, {1, 2, 3});
  engine->data.phased = true;
  engine->eph.epochT0 = 2450000.5;
  engine->eph.period = 0.5;
  engine->eph.Q = 0.001;
  engine->trial.frequencyList = {2.0, 3.0};
  engine->trial.frequencyIndex = 1;
  ResetView(*engine);
  EXPECT_EQ(TextAt(100, 412), "T_0=2450000.5000");
  EXPECT_EQ(TextAt(250, 412), "P=    0.500000");
  EXPECT_EQ(TextAt(400, 312), "f=    2.000000");
  EXPECT_EQ(TextAt(540, 312), "Q= 0.00100");
  EXPECT_EQ(TextAt(560, 312), "n[f]= 1");
  EXPECT_EQ(TextAt(616, 312), "/ 2");

  engine->eph.period = 0;
  engine->eph.Q = 0;
  engine->trial.frequencyList.clear();
  Redraw(*engine);
  EXPECT_EQ(TextAt(400, 312), "f=    0.000000");
  EXPECT_TRUE(TextsAt(540, 312).empty());
  EXPECT_TRUE(TextsAt(560, 312).empty());
}

}  // namespace
}  // namespace teril::testing

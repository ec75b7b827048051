// The current point: moves, read-out, nearest point, Up/Down, turning points.
#include <gtest/gtest.h>

#include <cmath>

#include "base/numfmt.h"
#include "plot_fixture.h"

namespace teril::testing {
namespace {

struct MoveCase {
  const char* name;
  Continuation (*command)(Engine&);
  int start;
  int expected;
};

class CursorMoves : public PlotTest, public ::testing::WithParamInterface<MoveCase> {};

// 30 points; the remainders follow truncating division: 5 - 1000 = -995,
// -995 mod 30 = -5, plus 30 gives 25.
TEST_P(CursorMoves, WrapRound) {
  LoadLine(30);
  ResetView(*engine);
  v().j = v().cursorPoint = GetParam().start;
  const Continuation c = GetParam().command(*engine);
  EXPECT_EQ(c, Continuation::Wrap);
  Run(c);
  EXPECT_EQ(v().j, GetParam().expected);
  EXPECT_EQ(v().cursorPoint, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, CursorMoves,
    ::testing::Values(MoveCase{"Z", Back1000, 5, 25}, MoveCase{"X", Forward1000, 5, 15},
                      MoveCase{"NextOnLast", NextPoint, 30, 1},
                      MoveCase{"PrevOnFirst", PrevPoint, 1, 30},
                      MoveCase{"Forward10", Forward10, 25, 5}, MoveCase{"Back10", Back10, 3, 23},
                      MoveCase{"Forward100", Forward100, 30, 10},
                      MoveCase{"Back100", Back100, 1, 21}, MoveCase{"First", FirstPoint, 17, 1},
                      MoveCase{"Last", LastPoint, 17, 30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlotTest, WrapWithoutPointsTakesTheQuitPath) {
  engine->data.n = 0;
  EXPECT_FALSE(WrapCurrent(*engine));
  EXPECT_TRUE(canvas.calls.empty());
}

TEST_F(PlotTest, ScreenAndLimitPoints) {
  Load({0, 1, 2, 3, 4, 5}, {3, 1, 4, 1, 5, 9});
  engine->checks.inverseX = true;
  ResetView(*engine);
  v().tMin = 1;
  v().tMax = 3;
  Redraw(*engine);
  Run(FirstAtScreen(*engine));
  EXPECT_EQ(v().j, 2);
  Run(LastAtScreen(*engine));
  EXPECT_EQ(v().j, 4);
  Run(Refresh(*engine));  // limits of the visible points 1..4 (x 1, 4, 1)
  Run(MinLimitPoint(*engine));
  EXPECT_EQ(v().j, 2);  // the first of the equal smallest values
  Run(MaxLimitPoint(*engine));
  EXPECT_EQ(v().j, 3);
}

// x: 1 2 3 4 3 2 2 1 5 — a maximum at 4, a flat step at 6/7, a minimum at 8.
TEST_F(PlotTest, TurningPointsStopAtExtremaAndFlatSteps) {
  Load({1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 3, 2, 2, 1, 5});
  ResetView(*engine);
  v().j = v().cursorPoint = 1;
  std::vector<int> forward;
  for (int k = 0; k < 6; ++k) {
    Run(NextTurningPoint(*engine));
    forward.push_back(v().j);
  }
  EXPECT_EQ(forward, (std::vector<int>{4, 6, 7, 8, 9, 1}));
  v().j = v().cursorPoint = 4;
  Run(PrevTurningPoint(*engine));
  EXPECT_EQ(v().j, 1);
  Run(PrevTurningPoint(*engine));
  EXPECT_EQ(v().j, 9);
  Run(PrevTurningPoint(*engine));
  EXPECT_EQ(v().j, 8);
}

class ReadoutTest : public PlotTest {
 protected:
  void SetUp() override {
    PlotTest::SetUp();
    Load({2, 4, 0}, {10.5, 11.25, 12}, {"AB", "CD", "AB"});
    engine->data.t[2] = 4.5;  // plotted argument differs from the loaded one
    engine->run.headerLines = 7;
    engine->eph.epochT0 = 1;
    engine->eph.frequency = 0.4;
    engine->eph.period = 2.5;
    ResetView(*engine);
    engine->data.tWidth = 8;  // print formats as a data file might give them
    engine->data.xWidth = 8;
  }
  // Index of the first call since the last Clear matching op at (a, b).
  int IndexOf(const std::string& op, int a, int b) const {
    auto calls = canvas.SinceLastClear();
    for (std::size_t i = 0; i < calls.size(); ++i)
      if (calls[i].op == op && calls[i].a == a && calls[i].b == b) return static_cast<int>(i);
    return -1;
  }
};

TEST_F(ReadoutTest, RowsOfTheReadOut) {
  v().j = v().cursorPoint = 2;
  Redraw(*engine);
  EXPECT_EQ(TextAt(5, 90), "t =   4.000");
  EXPECT_EQ(TextAt(5, 105), "t*=   4.500");
  EXPECT_EQ(TextAt(0, 10), "CD");
  // 1/4 with 2 * 8 - 3 - 6 = 7 decimals; the 16 places asked for would run
  // over the box, so the padding goes.
  EXPECT_EQ(TextAt(5, 120), "1/t=0.2500000");
  EXPECT_EQ(v().reciprocalT, 0.25);
  // (4 - 1) * 0.4 = 1.2 cycles.
  EXPECT_EQ(TextAt(5, 135), "phase=0.2000");
  EXPECT_EQ(TextAt(5, 150), "i=    9");
  EXPECT_EQ(TextAt(5, 165), "x=  11.250");
  const int box = IndexOf("Rectangle", 0, 90);
  ASSERT_GE(box, 0);
  EXPECT_LT(box, IndexOf("Text", 5, 90));  // cleared before the rows
  EXPECT_LT(IndexOf("Rectangle", 0, 10), IndexOf("Text", 0, 10));
}

TEST_F(ReadoutTest, NoReciprocalForZeroTime) {
  v().j = v().cursorPoint = 2;
  Redraw(*engine);
  v().j = v().cursorPoint = 3;
  Redraw(*engine);
  EXPECT_TRUE(TextsAt(5, 120).empty());
  EXPECT_EQ(v().reciprocalT, 0.25);  // left from the read-out before
  EXPECT_EQ(TextAt(5, 90), "t =   0.000");
}

// A narrow print format would ask for 2 * 3 - 1 - 6 = -1 decimals: the
// reciprocal is written without decimals instead.
TEST_F(ReadoutTest, NarrowFormatGivesReciprocalWithoutDecimals) {
  engine->data.tWidth = 3;
  engine->data.tDecimals = 1;
  engine->data.t0[2] = 0.125;
  v().j = v().cursorPoint = 2;
  Redraw(*engine);
  EXPECT_EQ(TextAt(5, 120), "1/t=8");
}

// Julian dates with five decimals: "t =" with 13 places and "1/t=" of a
// number near 4e-7 would run over the frame of the box (columns 0..118) and
// into the picture saved after the blanking of the status column.
TEST_F(ReadoutTest, WideFormatsStayInsideTheBox) {
  engine->data.t0[2] = 2450000.12345;
  engine->data.tWidth = 13;
  engine->data.tDecimals = 5;
  engine->data.x[2] = -12345.678901;
  engine->data.xWidth = 14;
  engine->data.xDecimals = 6;
  v().j = v().cursorPoint = 2;
  Redraw(*engine);
  for (auto& c : canvas.Texts())
    if (c.b >= 90 && c.b <= 165) {
      EXPECT_LE(c.a + 8 * static_cast<int>(c.text.size()), 118) << c.text;
    }
  // Decimals go first while the digits left are the more significant.
  EXPECT_EQ(TextAt(5, 90), "t =2450000.123");
  EXPECT_EQ(TextAt(5, 165), "x=-12345.67890");
  // 1 / 2450000.12345 = 4.08163...e-7: ten places hold five significant
  // digits with an exponent, two in fixed notation.
  EXPECT_EQ(TextAt(5, 120), "1/t=4.0816e-07");
  EXPECT_DOUBLE_EQ(v().reciprocalT, 1 / 2450000.12345);
}

TEST_F(ReadoutTest, CursorBarAndHintCircles) {
  v().j = v().cursorPoint = 1;
  Redraw(*engine);
  const int cx = ToPixelX(*engine, 2), cy = ToPixelY(*engine, 10.5) + 1;
  EXPECT_EQ(v().cursorX, cx);
  EXPECT_EQ(v().cursorY, cy);
  auto calls = canvas.SinceLastClear();
  ASSERT_GE(calls.size(), 2u);
  const CanvasCall& bar = calls[calls.size() - 1];
  const CanvasCall& rect = calls[calls.size() - 3];  // MoveTo lies between
  EXPECT_EQ(rect.op, "Rectangle");
  EXPECT_EQ(rect.a, cx);
  EXPECT_EQ(rect.b, cy + 1);
  EXPECT_EQ(rect.c, cx + 2);
  EXPECT_EQ(rect.d, cy + 10);
  EXPECT_EQ(rect.pen, kGreen);
  EXPECT_EQ(bar.op, "LineTo");
  EXPECT_EQ(bar.a, cx + 1);
  EXPECT_EQ(bar.b, cy);
  EXPECT_EQ(bar.d, cy + 9);
  EXPECT_EQ(bar.pen, kGreen);
  int hints = 0;
  for (auto& c : calls)
    if (c.op == "Ellipse" && c.pen == kRed && c.a + (c.c - c.a) / 2 == cx) ++hints;
  EXPECT_EQ(hints, 2);
  engine->checks.hint = false;
  Redraw(*engine);
  for (auto& c : canvas.SinceLastClear()) EXPECT_NE(c.op, "Ellipse");
}

TEST_F(PlotTest, CurrentPointOutsideTheVisibleRangeMovesToItsMiddle) {
  LoadLine(50);
  ResetView(*engine);
  v().tMin = 10;
  v().tMax = 20;
  v().j = v().cursorPoint = 3;
  Redraw(*engine);
  EXPECT_EQ(v().j, 16);  // (11 + 21) / 2
  EXPECT_EQ(v().cursorPoint, 16);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PlotTest, PointInsideTheRangeButOutsideTheWindowIsReportedAndCentred) {
  Load({0, 10, 1, 2}, {1, 2, 3, 4});  // unsorted times
  ResetView(*engine);
  v().tMin = 0;
  v().tMax = 2;
  v().j = v().cursorPoint = 2;
  Redraw(*engine);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "PL5 2 1 4");
  EXPECT_EQ(v().tMin, 9);
  EXPECT_EQ(v().tMax, 11);
  EXPECT_EQ(v().j, 2);
}

TEST_F(PlotTest, MovedWindowShowsTheWholeSetLimitsUntilRefresh) {
  Load({0, 1, 2, 3, 4, 5}, {1, 9, 4, 5, 6, 3});
  engine->checks.inverseX = true;
  ResetView(*engine);
  v().j = v().cursorPoint = 3;
  Run(LeftEdge(*engine));  // window 2..5
  EXPECT_EQ(v().xMin, 1);
  EXPECT_EQ(v().xMax, 9);
  Run(Refresh(*engine));
  EXPECT_EQ(v().xMin, 3);
  EXPECT_EQ(v().xMax, 6);
  Redraw(*engine);  // same window: the narrowed limits stay
  EXPECT_EQ(v().xMax, 6);
}

// Window 0..10 on columns 130..630 (50 pixels a unit), signal 0..10 on
// rows 10..290 (28 pixels a unit): points 2 and 3 at (330, 150), (430, 150).
class NearestPointTest : public PlotTest {
 protected:
  void SetUp() override {
    PlotTest::SetUp();
    Load({0, 4, 6, 10}, {0, 5, 5, 10});
    engine->checks.inverseX = true;
    ResetView(*engine);
  }
};

TEST_F(NearestPointTest, PicksTheNearerInPixels) {
  EXPECT_EQ(NearestPoint(*engine, 379, 150), 2);
  EXPECT_EQ(NearestPoint(*engine, 381, 150), 3);
  EXPECT_EQ(NearestPoint(*engine, 380, 100), 2);  // a tie goes to the first
  EXPECT_EQ(NearestPoint(*engine, 135, 30), 1);
}

TEST_F(NearestPointTest, PicksByPixelsNotByArgument) {
  // Column 505 is t = 7.5, nearer to point 3 (t = 6) than to point 4
  // (t = 10); in pixels point 4 at (630, 290) is nearer: 125^2 against
  // 75^2 + 140^2.
  v().j = 1;
  EXPECT_EQ(NearestPoint(*engine, 505, 290), 4);
  PlotClick(*engine, 505, 290);
  EXPECT_EQ(v().cursorPoint, 4);
  EXPECT_EQ(v().j, 4);
  EXPECT_TRUE(host.Logged("!!! IO is not waiting for input"));  // "#" needs a waiting key loop
}

TEST_F(PlotTest, UpAndDownFollowTheOrientation) {
  Load({0, 1, 2, 3, 4}, {3, 1, 5, 1, 5});
  engine->checks.inverseX = true;  // smaller values on top
  ResetView(*engine);
  EXPECT_EQ(TopOrBottomPoint(*engine, true), 4);   // smallest, last of the equal ones
  EXPECT_EQ(TopOrBottomPoint(*engine, false), 3);  // largest, first of the equal ones
  engine->checks.inverseX = false;
  Run(InverseX(*engine));
  EXPECT_EQ(TopOrBottomPoint(*engine, true), 3);
  EXPECT_EQ(TopOrBottomPoint(*engine, false), 4);
  TopClick(*engine);
  EXPECT_EQ(v().cursorPoint, 3);
  EXPECT_EQ(v().j, 3);
}

struct PhaseCase {
  double T0, period, Q, t, expected;
};

class ReadoutPhaseTable : public PlotTest, public ::testing::WithParamInterface<PhaseCase> {};

// Expected phases from the ephemeris T = T0 + P E + Q E^2 solved forwards:
// the moment of cycle E gives back the fraction of E.
TEST_P(ReadoutPhaseTable, Phase) {
  const PhaseCase c = GetParam();
  engine->eph.epochT0 = c.T0;
  engine->eph.period = c.period;
  engine->eph.frequency = 1 / c.period;
  engine->eph.Q = c.Q;
  EXPECT_NEAR(ReadoutPhase(*engine, c.t), c.expected, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Ephemerides, ReadoutPhaseTable,
                         ::testing::Values(PhaseCase{0, 1, 0, 1.25, 0.25},
                                           PhaseCase{10, 1, 0, 8.75, 0.75},
                                           PhaseCase{100, 2, 0, 105, 0.5},
                                           PhaseCase{0, 1, 0.01, 10.3 + 0.01 * 10.3 * 10.3, 0.3},
                                           PhaseCase{0, 1, 1e-9, 3.25 + 1e-9 * 3.25 * 3.25, 0.25}));

}  // namespace
}  // namespace teril::testing

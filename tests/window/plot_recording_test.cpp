// The recording of a plot canvas: replayed, it gives the bitmap pixel for
// pixel; painted larger, lines and text are antialiased while rows and
// columns of pixels stay crisp.
#include "window/plot_recording.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "engine/engine.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "support/scripted_host.h"
#include "window/qt_canvas.h"

namespace teril::testing {
namespace {

constexpr Rgb kRedPen{255, 0, 0}, kBluePen{0, 0, 255};

// Every primitive, in the ways the engine uses them: lines of every slope
// with far ends, outlines, circles and a flat ellipse, text running off the
// edge, single pixels and fills given corner first or last.
void DrawEverything(QtCanvas& c) {
  c.SetPen(kRedPen);
  c.MoveTo(10, 10);
  c.LineTo(200, 57);   // flat
  c.LineTo(190, 300);  // steep
  c.LineTo(30, 300);   // a row, leftwards
  c.LineTo(30, 20);    // a column, upwards
  c.MoveTo(-50000, 120);
  c.LineTo(60000, 200);  // far ends, clipped
  c.SetPen(kBluePen);
  c.Rectangle(300, 40, 250, 90);  // corners in any order
  c.Ellipse(400, 100, 440, 140);
  c.Ellipse(450, 100, 500, 100);  // flat: a row
  c.Text(5, 90, "t =2450000.123");
  c.Text(640, 300, "runs off the edge");
  for (int k = 0; k < 50; ++k) c.SetPixel(130 + 2 * k, 200 + k % 7, Rgb{10, 0, 0});
  c.FillRect(600, 350, 560, 330, Rgb{0, 128, 0});
  c.SetPixel(-3, 5, kRedPen);  // outside: nothing
}

bool SameImage(const QImage& a, const QImage& b) {
  return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

QImage Painted(const QtCanvas& c, double scale) {
  QImage out(static_cast<int>(std::lround(c.Width() * scale)),
             static_cast<int>(std::lround(c.Height() * scale)), QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  c.Paint(p, scale, true);
  p.end();
  return out;
}

// Neither white nor one of the pure colours drawn: a mixed edge pixel.
bool Mixed(QRgb c, QRgb pen) {
  c &= 0xFFFFFFu;
  return c != 0xFFFFFFu && c != (pen & 0xFFFFFFu);
}

TEST(PlotRecording, ReplayedOntoANewCanvasGivesTheBitmapPixelForPixel) {
  QtCanvas drawn(673, 373);
  drawn.SetRecording(true);
  DrawEverything(drawn);
  EXPECT_GT(drawn.calls().size(), 50u);
  QtCanvas again(673, 373);
  drawn.calls().ReplayOnto(again);
  EXPECT_TRUE(SameImage(again.image(), drawn.image()));
  // Not the same by accident of an empty drawing: the replay changed pixels.
  QImage white(673, 373, QImage::Format_RGB32);
  white.fill(Qt::white);
  EXPECT_FALSE(SameImage(again.image(), white));
}

TEST(PlotRecording, ClearForgetsAndADrawingBeforeRecordingStaysAsAPicture) {
  QtCanvas c(320, 200);
  DrawEverything(c);  // not recorded
  c.SetRecording(true);
  ASSERT_EQ(c.calls().size(), 1u);  // the bitmap so far, as one picture
  c.SetPen(kBluePen);
  c.MoveTo(0, 199);
  c.LineTo(319, 0);
  QtCanvas again(320, 200);
  c.calls().ReplayOnto(again);
  EXPECT_TRUE(SameImage(again.image(), c.image()));
  c.Clear();
  EXPECT_EQ(c.calls().size(), 0u);
  c.SetRecording(false);
  c.Text(0, 0, "x");
  EXPECT_EQ(c.calls().size(), 0u);
}

class RecordedPlotTest : public EngineTest {
 protected:
  QtCanvas canvas{673, 373};

  void SetUp() override {
    EngineTest::SetUp();
    canvas.SetRecording(true);
    AttachCanvas(*engine, &canvas);
  }
  void LoadAndDraw(int n) {
    DataSet& d = engine->data;
    d.n = n;
    for (int i = 1; i <= n; ++i) {
      d.t[i] = d.t0[i] = 0.001 * i;
      d.x[i] = std::sin(0.01 * i) + (i % 3 == 0 ? 0.2 : 0);
      d.observer[i] = ObserverCode(i % 5 ? "AB" : "CD");
    }
    engine->view.StartFile();
    engine->checks.hint = true;
    ResetView(*engine);
  }
};

TEST_F(RecordedPlotTest, AWholePlotReplaysToTheSameBitmapAndPaintsAsItAtOneToOne) {
  LoadAndDraw(500);
  QtCanvas again(673, 373);
  canvas.calls().ReplayOnto(again);
  EXPECT_TRUE(SameImage(again.image(), canvas.image()));
  // The control at one device pixel per canvas pixel shows the bitmap.
  EXPECT_TRUE(SameImage(Painted(canvas, 1), canvas.image()));
}

TEST_F(RecordedPlotTest, TwiceTheSizeHasAntialiasedCurvesAndCrispRows) {
  canvas.SetPen(kRedPen);
  canvas.MoveTo(100, 100);
  canvas.LineTo(300, 180);  // a slanted line
  canvas.Ellipse(400, 100, 460, 160);
  canvas.MoveTo(100, 250);
  canvas.LineTo(300, 250);  // a row: pixels 100..299
  canvas.Text(20, 300, "x=11.250");
  const QImage big = Painted(canvas, 2);
  ASSERT_EQ(big.size(), QSize(1346, 746));
  const QRgb red = qRgb(255, 0, 0);
  int slantMixed = 0, ellipseMixed = 0, textMixed = 0;
  for (int y = 190; y < 370; ++y)
    for (int x = 190; x < 610; ++x) slantMixed += Mixed(big.pixel(x, y), red);
  for (int y = 190; y < 330; ++y)
    for (int x = 790; x < 930; ++x) ellipseMixed += Mixed(big.pixel(x, y), red);
  for (int y = 600; y < 628; ++y)
    for (int x = 40; x < 40 + 16 * 8; ++x) {
      const QRgb c = big.pixel(x, y) & 0xFFFFFFu;
      textMixed += c != 0xFFFFFFu && c != 0;
    }
  EXPECT_GT(slantMixed, 100);
  EXPECT_GT(ellipseMixed, 50);
  EXPECT_GT(textMixed, 20);
  // The middle of the slanted line is the pen's colour.
  EXPECT_EQ(big.pixel(2 * 200 + 1, 2 * 140 + 1), red);
  // The row is two whole device rows, 400..599, with white beside it.
  EXPECT_EQ(big.pixel(400, 500), red);
  EXPECT_EQ(big.pixel(599, 501), red);
  EXPECT_EQ(big.pixel(500, 499) & 0xFFFFFFu, 0xFFFFFFu);
  EXPECT_EQ(big.pixel(500, 502) & 0xFFFFFFu, 0xFFFFFFu);
  EXPECT_EQ(big.pixel(600, 500) & 0xFFFFFFu, 0xFFFFFFu);
}

// The residual map is shown over the plot at its row, flush with the
// frame's right edge, whatever the scale.
TEST_F(RecordedPlotTest, TheVisibleOverlayIsPaintedAtItsPlace) {
  QtCanvas map(209, 209);
  map.FillRect(0, 0, 208, 208, Rgb{0, 255, 0});
  canvas.SetOverlay(&map);
  map.SetTop(40);
  EXPECT_EQ(Painted(canvas, 1.5).pixel(750, 150) & 0xFFFFFFu, 0xFFFFFFu);
  map.SetVisible(true);
  const QImage shown = Painted(canvas, 1.5);
  const int left = 673 - 33 - 209;  // 431
  EXPECT_EQ(shown.pixel(static_cast<int>(1.5 * (left + 1)), static_cast<int>(1.5 * 41)),
            qRgb(0, 255, 0));
  EXPECT_EQ(shown.pixel(static_cast<int>(1.5 * (left - 2)), static_cast<int>(1.5 * 41)),
            qRgb(255, 255, 255));
}

// A plot of a million points is two million recorded lines; painting them
// at the size of a large window must stay a matter of a second or less
// (bench_plot measures it), and must show the crosses.
TEST_F(RecordedPlotTest, AMillionPointsPaintAtTheSizeOfALargeWindow) {
  LoadAndDraw(1'000'000);
  EXPECT_GE(canvas.calls().size(), 2'000'000u);
  EXPECT_LT(canvas.calls().size(), PlotRecording::kMaxCalls);
  const QImage big = Painted(canvas, 2.2);
  int blue = 0;
  for (int y = 0; y < big.height(); ++y)
    for (int x = 0; x < big.width(); ++x) blue += (big.pixel(x, y) & 0xFFFFFFu) == 0x0000FFu;
  EXPECT_GT(blue, 10000);
}

}  // namespace
}  // namespace teril::testing

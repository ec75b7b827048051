// The QImage canvas: pixels of primitives and of a whole plot, read back
// from saved pictures.
#include "window/qt_canvas.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QImageReader>
#include <string>

#include "base/io.h"
#include "engine/engine.h"
#include "plot/cursor.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "support/scripted_host.h"

namespace teril::testing {
namespace {

QRgb Px(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

constexpr QRgb kWhite = 0xFFFFFF, kBlack = 0x000000, kBlue = 0x0000FF, kRed = 0xFF0000,
               kGreen = 0x008000, kNavy = 0x000080;

class QtCanvasTest : public TempFolderTest {
 protected:
  QtCanvas canvas{640, 360};

  QImage SavedAndRead(const std::string& name) {
    EXPECT_TRUE(canvas.SaveRect(0, 0, canvas.Width(), canvas.Height(), canvas.Width(),
                                canvas.Height(), name));
    QImage image((dir / name).string().c_str());
    EXPECT_FALSE(image.isNull());
    return image;
  }
};

TEST_F(QtCanvasTest, LinesLeaveOutTheirEndPixel) {
  canvas.SetPen(Rgb{255, 0, 0});
  canvas.MoveTo(10, 10);
  canvas.LineTo(20, 15);  // diagonal
  canvas.LineTo(20, 30);  // vertical
  canvas.LineTo(5, 30);   // horizontal, leftwards
  const QImage& im = canvas.image();
  EXPECT_EQ(Px(im, 10, 10), kRed);
  EXPECT_EQ(Px(im, 19, 15), kRed);  // the last pixel before the end
  EXPECT_EQ(Px(im, 20, 16), kRed);
  EXPECT_EQ(Px(im, 20, 29), kRed);
  EXPECT_EQ(Px(im, 20, 30), kRed);  // start of the horizontal line
  EXPECT_EQ(Px(im, 6, 30), kRed);
  EXPECT_EQ(Px(im, 5, 30), kWhite);
  int diagonal = 0;
  for (int x = 10; x < 20; ++x)
    for (int y = 10; y <= 15; ++y) diagonal += Px(im, x, y) == kRed;
  EXPECT_EQ(diagonal, 10);  // one pixel per column, the end left out
}

TEST_F(QtCanvasTest, FarLinesAreClippedAndStillDrawn) {
  canvas.SetPen(Rgb{0, 0, 255});
  canvas.MoveTo(-100000000, 50);
  canvas.LineTo(100000000, 60);  // y = 55 across the image
  EXPECT_EQ(Px(canvas.image(), 320, 55), kBlue);
  EXPECT_EQ(Px(canvas.image(), 0, 55), kBlue);
}

TEST_F(QtCanvasTest, RectangleOutlineWithWhiteInsideAndCircleOutline) {
  canvas.FillRect(0, 0, 200, 200, Rgb{0, 0, 0});
  canvas.SetPen(Rgb{0, 128, 0});
  canvas.Rectangle(10, 20, 30, 40);
  const QImage& im = canvas.image();
  EXPECT_EQ(Px(im, 10, 20), kGreen);
  EXPECT_EQ(Px(im, 30, 40), kGreen);
  EXPECT_EQ(Px(im, 30, 30), kGreen);
  EXPECT_EQ(Px(im, 20, 30), kWhite);
  EXPECT_EQ(Px(im, 31, 30), kBlack);

  canvas.SetPen(Rgb{0, 0, 128});
  canvas.Ellipse(95, 95, 105, 105);  // radius 5 around (100, 100)
  EXPECT_EQ(Px(im, 95, 100), kNavy);
  EXPECT_EQ(Px(im, 105, 100), kNavy);
  EXPECT_EQ(Px(im, 100, 95), kNavy);
  EXPECT_EQ(Px(im, 100, 105), kNavy);
  EXPECT_EQ(Px(im, 100, 100), kBlack);  // the inside is not painted
  EXPECT_EQ(Px(im, 96, 96), kBlack);    // outside the circle, inside its box
}

TEST_F(QtCanvasTest, TextAdvancesEightPixelsBlackOnWhite) {
  canvas.FillRect(0, 0, 100, 100, Rgb{255, 0, 0});
  canvas.Text(10, 10, "||");
  const QImage& im = canvas.image();
  // The bar of "|" is the fourth column of its cell, rows 1..13.
  EXPECT_EQ(Px(im, 13, 17), kBlack);
  EXPECT_EQ(Px(im, 21, 17), kBlack);
  EXPECT_EQ(Px(im, 17, 17), kWhite);  // opaque background
  EXPECT_EQ(Px(im, 25, 17), kWhite);  // the second cell ends at column 25
  EXPECT_EQ(Px(im, 26, 17), kRed);
  EXPECT_EQ(Px(im, 10, 10 + QtCanvas::kCharHeight), kRed);
}

TEST_F(QtCanvasTest, SavesBmpOrPngByNameAndScalesTheCopy) {
  canvas.SetPixel(0, 0, Rgb{255, 0, 0});
  ASSERT_TRUE(canvas.SaveRect(0, 0, 20, 10, 40, 20, "pic.bmp"));
  ASSERT_TRUE(canvas.SaveRect(0, 0, 20, 10, 20, 10, "pic.png"));
  QImageReader bmp((dir / "pic.bmp").string().c_str());
  QImageReader png((dir / "pic.png").string().c_str());
  EXPECT_EQ(bmp.format(), "bmp");
  EXPECT_EQ(png.format(), "png");
  QImage big = bmp.read();
  EXPECT_EQ(big.size(), QSize(40, 20));
  EXPECT_EQ(Px(big, 1, 1), kRed);  // the pixel doubled
  EXPECT_EQ(Px(big, 2, 2), kWhite);
  EXPECT_THROW(canvas.SaveRect(0, 0, 20, 10, 20, 10, (dir / "no/such/folder/x.bmp").string()),
               IoError);
}

class QtPlotTest : public EngineTest {
 protected:
  QtCanvas canvas{673, 373};
};

// Two observers, three points. The first read-out draws the plot a second
// time (the window is new), so the frame takes the pen left by the first
// drawing: green, like the cursor bar; the crosses are blue and red.
TEST_F(QtPlotTest, SavedPlotHasTheExpectedPixels) {
  DataSet& d = engine->data;
  const double t[] = {0, 5, 10}, x[] = {1, 3, 2};
  const char* who[] = {"AB", "CD", "AB"};
  d.n = 3;
  for (int i = 1; i <= 3; ++i) {
    d.t[i] = d.t0[i] = t[i - 1];
    d.x[i] = x[i - 1];
    d.observer[i] = ObserverCode(who[i - 1]);
  }
  engine->view.StartFile();
  engine->checks.hint = false;
  AttachCanvas(*engine, &canvas);
  ResetView(*engine);
  ASSERT_TRUE(canvas.SaveRect(0, 0, 673, 373, 673, 373, "plot.bmp"));
  QImage im((dir / "plot.bmp").string().c_str());
  ASSERT_EQ(im.size(), QSize(673, 373));

  // Frame (119, 0)-(639, 300).
  EXPECT_EQ(Px(im, 119, 150), kGreen);
  EXPECT_EQ(Px(im, 639, 150), kGreen);
  EXPECT_EQ(Px(im, 400, 0), kGreen);
  EXPECT_EQ(Px(im, 400, 300), kGreen);
  EXPECT_EQ(Px(im, 125, 150), kWhite);
  // Crosses: smallest x at the top (inverse orientation), t 0..10 on
  // columns 130..630.
  EXPECT_EQ(Px(im, 130, 10), kBlue);    // point 1 (x = 1), observer AB
  EXPECT_EQ(Px(im, 129, 8), kBlue);     // its extra stroke
  EXPECT_EQ(Px(im, 380, 290), kRed);    // point 2 (x = 3), observer CD
  EXPECT_EQ(Px(im, 379, 288), kWhite);  // no extra stroke
  EXPECT_EQ(Px(im, 377, 290), kRed);
  EXPECT_EQ(Px(im, 630, 150), kBlue);  // point 3 (x = 2)
  // The cursor bar under point 1: cx = 130, cy = 11.
  EXPECT_EQ(Px(im, 130, 15), kGreen);
  EXPECT_EQ(Px(im, 132, 15), kGreen);
  EXPECT_EQ(Px(im, 131, 15), kGreen);
  EXPECT_EQ(Px(im, 131, 20), kWhite);  // inside the bar, below its centre line
  EXPECT_EQ(Px(im, 131, 21), kGreen);  // bottom edge cy + 10
  // The read-out box is outlined in the same pen and holds text.
  EXPECT_EQ(Px(im, 0, 150), kGreen);
  int black = 0;
  for (int y = 90; y < 104; ++y)
    for (int xx = 5; xx < 5 + 8 * 11; ++xx) black += Px(im, xx, y) == kBlack;
  EXPECT_GT(black, 20);
}

}  // namespace
}  // namespace teril::testing

// The drawing calls made on a QtCanvas, kept in the canvas's own pixel
// coordinates, so that the plot can be painted again at any size: on the
// screen at the control's size and device-pixel ratio, and into PNG, SVG and
// PDF files. The bitmap stays what the pictures are made of; this is what
// the eye sees.
#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;

namespace teril {

class QtCanvas;

// Clips the segment to the box lo..hi (both axes) with Liang-Barsky; false
// when nothing of it lies inside.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xlo, double ylo, double xhi,
                 double yhi);

// Text needs fonts, and fonts need a GUI application. Where there is none
// (the console mode) one is made for the offscreen platform the first time
// a recording is painted, and lives until the console mode ends.
void EnsureGuiApplication();
// Ends the application EnsureGuiApplication made (its fonts with it), if any.
void EndGuiApplication();

class PlotRecording {
 public:
  // Calls beyond this many (a plot drawn again and again without a clear)
  // are folded into one picture of the bitmap, which keeps the memory
  // bounded at the price of sharpness.
  static constexpr std::size_t kMaxCalls = 8'000'000;

  enum class Op : std::uint8_t { kLine, kRectangle, kEllipse, kText, kPixel, kFill, kBitmap };
  // 20 bytes a call: a plot of a million points is two million lines.
  struct Call {
    std::uint32_t tag;  // the operation in the high byte, the colour below
    int a, b, c, d;     // kText: a, b the corner, c the index of the text;
                        // kBitmap: a the index of the picture
    Op op() const { return static_cast<Op>(tag >> 24); }
    QRgb colour() const { return 0xFF000000u | (tag & 0xFFFFFFu); }
  };

  // Forgets every call: the surface is white.
  void Reset();
  // The segment from (x0, y0) to (x1, y1), its end pixel left out.
  void Line(int x0, int y0, int x1, int y1, QRgb pen) { Add(Op::kLine, pen, x0, y0, x1, y1); }
  void Rectangle(int x1, int y1, int x2, int y2, QRgb pen) {
    Add(Op::kRectangle, pen, x1, y1, x2, y2);
  }
  void Ellipse(int x1, int y1, int x2, int y2, QRgb pen) { Add(Op::kEllipse, pen, x1, y1, x2, y2); }
  void Text(int x, int y, const std::string& text);
  void Pixel(int x, int y, QRgb colour) { Add(Op::kPixel, colour, x, y, 0, 0); }
  void Fill(int x1, int y1, int x2, int y2, QRgb colour) { Add(Op::kFill, colour, x1, y1, x2, y2); }
  // Replaces every call so far by the picture `bitmap` (the canvas's pixels
  // at this moment).
  void Fold(const QImage& bitmap);

  bool Full() const { return calls_.size() >= kMaxCalls; }
  std::size_t size() const { return calls_.size(); }
  const std::vector<Call>& calls() const { return calls_; }

  // Draws the calls again onto `canvas` through its own primitives: the
  // same pixels as the bitmap they were recorded from.
  void ReplayOnto(QtCanvas& canvas) const;

  // Paints the calls scaled by `scale` (painter units per canvas pixel) on
  // a background the caller has made white, antialiased, with text in a
  // real fixed-pitch font that keeps the canvas's 8 x 14 cells. `snap`:
  // for pixel outputs, rows and columns of the canvas (the crosses, frames,
  // ticks) become whole painter pixels so that they stay crisp; without it
  // (SVG, PDF) they are drawn as lines.
  // `size`: the canvas's size in pixels (nothing outside it shows).
  void Paint(QPainter& painter, QSize size, double scale, bool snap) const;

 private:
  void Add(Op op, QRgb colour, int a, int b, int c, int d) {
    calls_.push_back(
        Call{(static_cast<std::uint32_t>(op) << 24) | (colour & 0xFFFFFFu), a, b, c, d});
  }

  std::vector<Call> calls_;
  std::vector<std::string> texts_;
  std::vector<QImage> bitmaps_;
};

}  // namespace teril

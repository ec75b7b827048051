// The drawing surface on a QImage: the plot bitmap of the window, the
// offscreen plot of the console mode and the 209 x 209 residual map.
//
// Every primitive writes the image's scanlines directly (no QPainter), so
// the pixels are the same with or without a running GUI application and a
// plot of a million points draws quickly. Text uses a built-in 8 x 14
// bitmap font (DejaVu Sans Mono rendered at 13 pixels): 8 pixels a
// character, black on an opaque white cell.
//
// A plot canvas also records its drawing calls (plot_recording.h): the
// window paints them sharp at any size, and the plot is exported from them
// as PNG, SVG or PDF.
#pragma once

#include <QImage>

#include "plot/canvas.h"
#include "window/plot_recording.h"

class QPainter;

namespace teril {

class QtCanvas : public Canvas {
 public:
  static constexpr int kCharWidth = 8;
  static constexpr int kCharHeight = 14;

  QtCanvas(int width, int height);

  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }

  void SetPen(Rgb colour) override;
  void MoveTo(int x, int y) override {
    penX_ = x;
    penY_ = y;
  }
  void LineTo(int x, int y) override;
  void Rectangle(int x1, int y1, int x2, int y2) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;
  void Text(int x, int y, const std::string& text) override;
  void SetPixel(int x, int y, Rgb colour) override;
  void FillRect(int x1, int y1, int x2, int y2, Rgb colour) override;
  void Clear() override;
  bool SaveRect(int x, int y, int w, int h, int outW, int outH, const std::string& path) override;
  void SetVisible(bool visible) override { visible_ = visible; }
  void SetTop(int top) override { top_ = top; }
  // PNG at `width` pixels, SVG or PDF, by the name's extension, painted from
  // the recording (plot_export.cpp).
  bool ExportPicture(const std::string& path, int width, std::string& error) override;

  // Records the drawing calls from now on (and forgets them when off).
  void SetRecording(bool on);
  bool recording() const { return recording_; }
  const PlotRecording& calls() const { return calls_; }
  // A canvas shown over this one while it is visible, at its top row and
  // 33 pixels left of the right edge (the residual map over the plot).
  void SetOverlay(const QtCanvas* overlay) { overlay_ = overlay; }
  const QtCanvas* overlay() const { return overlay_; }
  // Copies `picture` into the bitmap at the top left.
  void Paste(const QImage& picture);
  // Paints the canvas (white, the recorded calls or else the bitmap, then
  // the overlay while it is visible) into the rectangle (0, 0) - (scale *
  // width, scale * height) of the painter; `snap` as in
  // PlotRecording::Paint. At scale 1 with `snap` the bitmap is drawn: the
  // very pixels of the pictures.
  void Paint(QPainter& painter, double scale, bool snap) const;

  // Creates a new white image of the given size (the pen is kept).
  void Resize(int width, int height);

  const QImage& image() const { return image_; }
  bool visible() const { return visible_; }
  int top() const { return top_; }
  // Counts the drawing calls, so that a view can repaint when it changed.
  unsigned long long changes() const { return changes_; }

 private:
  void Plot(int x, int y, quint32 c) {
    if (static_cast<unsigned>(x) < static_cast<unsigned>(w_) &&
        static_cast<unsigned>(y) < static_cast<unsigned>(h_))
      reinterpret_cast<quint32*>(bits_ + static_cast<qsizetype>(y) * stride_)[x] = c;
  }
  void HorizontalRun(int y, int xa, int xb, quint32 c);  // xa..xb inclusive, any order
  void VerticalRun(int x, int ya, int yb, quint32 c);
  void Line(int x0, int y0, int x1, int y1, quint32 c);  // end pixel excluded
  // After a recorded call: a recording grown too large is folded.
  void Recorded() {
    if (calls_.Full()) calls_.Fold(image_);
  }

  QImage image_;
  uchar* bits_ = nullptr;
  qsizetype stride_ = 0;
  int w_ = 0, h_ = 0;
  quint32 pen_ = 0xFF000000u;
  int penX_ = 0, penY_ = 0;
  bool visible_ = false;
  int top_ = 0;
  unsigned long long changes_ = 0;
  bool recording_ = false;
  PlotRecording calls_;
  const QtCanvas* overlay_ = nullptr;
};

}  // namespace teril

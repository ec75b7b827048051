// The plot control: the engine's drawing painted at the control's own size
// and the screen's device-pixel ratio, with the aspect of the drawing,
// centred on white. Lines and symbols are antialiased and the text is set
// in a real font (from the canvas's recording, plot_recording.h); at one
// device pixel per canvas pixel the bitmap itself is shown.
//
// Mouse positions are handed on in canvas pixels; plot_mouse.h turns them
// into commands.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QWidget>
#include <optional>
#include <utility>

namespace teril {

class QtCanvas;

class PlotView : public QWidget {
  Q_OBJECT

 public:
  explicit PlotView(const QtCanvas& canvas, QWidget* parent = nullptr);

  // Repaints when the drawing, its overlay or the size has changed since
  // the last paint.
  void Refresh();

  // Control pixels per canvas pixel, and where the drawing lies in the
  // control.
  double Scale() const;
  QRectF DrawingRect() const;
  // The canvas pixel under a point of the control: floor((pos - corner) /
  // scale); nothing outside the drawing.
  std::optional<QPoint> CanvasPixel(QPointF pos) const;
  // The same without the bounds: positions beyond the drawing give pixels
  // beyond the canvas (a drag may leave the control).
  QPoint CanvasPixelUnbounded(QPointF pos) const;
  // The centre of canvas pixel (x, y) in the control.
  QPointF ControlPoint(int x, int y) const;

  // A band over the canvas columns first..last (while a Shift-drag chooses
  // the edges of the window); nothing hides it.
  void SetBand(std::optional<std::pair<int, int>> columns);

  // The picture painted last, in device pixels.
  const QImage& Painted() const { return cache_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The left button pressed on the drawing; moved and released while it is
  // down (anywhere). Pixels of the canvas; the modifiers at that moment.
  void Pressed(QPoint pixel, Qt::KeyboardModifiers modifiers);
  void Moved(QPoint pixel, Qt::KeyboardModifiers modifiers);
  void Released(QPoint pixel, Qt::KeyboardModifiers modifiers);
  // The wheel turned: eighths of a degree, positive away from the user.
  void Wheel(int angle);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // Device pixels of the drawing at this size and ratio.
  QSize DeviceSize() const;

  const QtCanvas& canvas_;
  QImage cache_;
  // What the cache shows: drawing counts, overlay state and size.
  unsigned long long paintedChanges_ = ~0ull, paintedOverlayChanges_ = ~0ull;
  bool paintedOverlayVisible_ = false;
  bool pressed_ = false;
  std::optional<std::pair<int, int>> band_;
};

}  // namespace teril

#include "window/plot_view.h"

#include <QColor>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "window/qt_canvas.h"

namespace teril {

PlotView::PlotView(const QtCanvas& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::CrossCursor);
}

QSize PlotView::sizeHint() const { return QSize(canvas_.Width(), canvas_.Height()); }

QSize PlotView::minimumSizeHint() const { return QSize(canvas_.Width() / 2, canvas_.Height() / 2); }

QSize PlotView::DeviceSize() const {
  const double ratio = devicePixelRatioF();
  const double fit =
      std::min(width() * ratio / canvas_.Width(), height() * ratio / canvas_.Height());
  if (fit <= 0) return {};
  return QSize(std::max(1, static_cast<int>(std::lround(canvas_.Width() * fit))),
               std::max(1, static_cast<int>(std::lround(canvas_.Height() * fit))));
}

double PlotView::Scale() const {
  const QSize device = DeviceSize();
  if (device.isEmpty()) return 0;
  return device.width() / devicePixelRatioF() / canvas_.Width();
}

QRectF PlotView::DrawingRect() const {
  const QSize device = DeviceSize();
  const double ratio = devicePixelRatioF();
  const QSizeF shown(device.width() / ratio, device.height() / ratio);
  // Whole control pixels from the corner, so that the drawing's pixels lie
  // on the screen's.
  const QPointF corner(std::floor((width() - shown.width()) / 2),
                       std::floor((height() - shown.height()) / 2));
  return QRectF(corner, shown);
}

QPoint PlotView::CanvasPixelUnbounded(QPointF pos) const {
  const double scale = Scale();
  if (scale <= 0) return {};
  const QPointF corner = DrawingRect().topLeft();
  return QPoint(static_cast<int>(std::floor((pos.x() - corner.x()) / scale)),
                static_cast<int>(std::floor((pos.y() - corner.y()) / scale)));
}

std::optional<QPoint> PlotView::CanvasPixel(QPointF pos) const {
  if (Scale() <= 0) return std::nullopt;
  const QPoint p = CanvasPixelUnbounded(pos);
  if (p.x() < 0 || p.y() < 0 || p.x() >= canvas_.Width() || p.y() >= canvas_.Height())
    return std::nullopt;
  return p;
}

QPointF PlotView::ControlPoint(int x, int y) const {
  const double scale = Scale();
  const QPointF corner = DrawingRect().topLeft();
  return QPointF(corner.x() + (x + 0.5) * scale, corner.y() + (y + 0.5) * scale);
}

void PlotView::SetBand(std::optional<std::pair<int, int>> columns) {
  if (columns == band_) return;
  band_ = columns;
  update();
}

void PlotView::Refresh() {
  const QtCanvas* overlay = canvas_.overlay();
  const bool overlayVisible = overlay && overlay->visible();
  if (canvas_.changes() != paintedChanges_ || overlayVisible != paintedOverlayVisible_ ||
      (overlayVisible && overlay->changes() != paintedOverlayChanges_) ||
      cache_.size() != DeviceSize())
    update();
}

void PlotView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  const QSize device = DeviceSize();
  if (device.isEmpty()) return;
  const QtCanvas* overlay = canvas_.overlay();
  const bool overlayVisible = overlay && overlay->visible();
  if (cache_.size() != device || canvas_.changes() != paintedChanges_ ||
      overlayVisible != paintedOverlayVisible_ ||
      (overlayVisible && overlay->changes() != paintedOverlayChanges_)) {
    cache_ = QImage(device, QImage::Format_RGB32);
    cache_.fill(Qt::white);
    QPainter p(&cache_);
    canvas_.Paint(p, static_cast<double>(device.width()) / canvas_.Width(), true);
    p.end();
    cache_.setDevicePixelRatio(devicePixelRatioF());
    paintedChanges_ = canvas_.changes();
    paintedOverlayVisible_ = overlayVisible;
    paintedOverlayChanges_ = overlayVisible ? overlay->changes() : ~0ull;
  }
  const QRectF shown = DrawingRect();
  painter.drawImage(shown.topLeft(), cache_);
  if (band_) {
    const double scale = Scale();
    const int first = std::min(band_->first, band_->second);
    const int last = std::max(band_->first, band_->second);
    const QRectF band(shown.left() + first * scale, shown.top(), (last - first + 1) * scale,
                      shown.height());
    painter.fillRect(band.intersected(shown), QColor(0, 0, 255, 40));
    painter.setPen(QColor(0, 0, 255, 140));
    painter.drawLine(band.topLeft(), band.bottomLeft());
    painter.drawLine(band.topRight(), band.bottomRight());
  }
}

void PlotView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const auto pixel = CanvasPixel(event->position());
  if (!pixel) return;
  pressed_ = true;
  emit Pressed(*pixel, event->modifiers());
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  emit Moved(CanvasPixelUnbounded(event->position()), event->modifiers());
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
  pressed_ = false;
  emit Released(CanvasPixelUnbounded(event->position()), event->modifiers());
}

void PlotView::wheelEvent(QWheelEvent* event) {
  const int angle = event->angleDelta().y();
  if (angle == 0) return QWidget::wheelEvent(event);
  event->accept();
  emit Wheel(angle);
}

}  // namespace teril

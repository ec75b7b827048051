#include "window/plot_recording.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <memory>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <utility>

#include "window/qt_canvas.h"

namespace teril {

bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xlo, double ylo, double xhi,
                 double yhi) {
  double u0 = 0, u1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - xlo, xhi - x0, y0 - ylo, yhi - y0};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double r = q[k] / p[k];
    if (p[k] < 0) {
      if (r > u1) return false;
      u0 = std::max(u0, r);
    } else {
      if (r < u0) return false;
      u1 = std::min(u1, r);
    }
  }
  const double ax = x0 + u0 * dx, ay = y0 + u0 * dy;
  x1 = x0 + u1 * dx;
  y1 = y0 + u1 * dy;
  x0 = ax;
  y0 = ay;
  return true;
}

namespace {
// The application made for painting in the console mode, if one was made.
std::unique_ptr<QGuiApplication>& OwnGuiApplication() {
  static std::unique_ptr<QGuiApplication> application;
  return application;
}
}  // namespace

void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 3;
  static char arg0[] = "teril", arg1[] = "-platform", arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  OwnGuiApplication() = std::make_unique<QGuiApplication>(argc, argv);
}

void EndGuiApplication() { OwnGuiApplication().reset(); }

void PlotRecording::Reset() {
  // The next drawing is most often the same plot again: the buffer stays
  // as large as this one needed, but not larger (a plot of a million points
  // followed by small ones gives its memory back).
  const std::size_t used = calls_.size();
  if (calls_.capacity() > (1u << 20) && calls_.capacity() > 2 * used) {
    std::vector<Call> smaller;
    smaller.reserve(used);
    calls_.swap(smaller);
  }
  calls_.clear();
  texts_.clear();
  bitmaps_.clear();
}

void PlotRecording::Text(int x, int y, const std::string& text) {
  Add(Op::kText, 0, x, y, static_cast<int>(texts_.size()), 0);
  texts_.push_back(text);
}

void PlotRecording::Fold(const QImage& bitmap) {
  Reset();
  calls_.shrink_to_fit();
  bitmaps_.push_back(bitmap.copy());
  Add(Op::kBitmap, 0, 0, 0, 0, 0);
}

namespace {

Rgb ToRgb(QRgb c) {
  return Rgb{static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
             static_cast<std::uint8_t>(qBlue(c))};
}

}  // namespace

void PlotRecording::ReplayOnto(QtCanvas& canvas) const {
  for (const Call& k : calls_) {
    switch (k.op()) {
      case Op::kLine:
        canvas.SetPen(ToRgb(k.colour()));
        canvas.MoveTo(k.a, k.b);
        canvas.LineTo(k.c, k.d);
        break;
      case Op::kRectangle:
        canvas.SetPen(ToRgb(k.colour()));
        canvas.Rectangle(k.a, k.b, k.c, k.d);
        break;
      case Op::kEllipse:
        canvas.SetPen(ToRgb(k.colour()));
        canvas.Ellipse(k.a, k.b, k.c, k.d);
        break;
      case Op::kText:
        canvas.Text(k.a, k.b, texts_[static_cast<std::size_t>(k.c)]);
        break;
      case Op::kPixel:
        canvas.SetPixel(k.a, k.b, ToRgb(k.colour()));
        break;
      case Op::kFill:
        canvas.FillRect(k.a, k.b, k.c, k.d, ToRgb(k.colour()));
        break;
      case Op::kBitmap:
        canvas.Paste(bitmaps_[static_cast<std::size_t>(k.a)]);
        break;
    }
  }
}

namespace {

constexpr int kCharWidth = QtCanvas::kCharWidth;
constexpr int kCharHeight = QtCanvas::kCharHeight;
// Row of the text's baseline in its cell (the bitmap font's capitals stand
// on row 10).
constexpr double kBaseline = 11;
// Coordinates of a call are kept within this margin around the canvas
// before they reach the painter (a far point is clamped to 1e8 pixels).
constexpr double kMargin = 16;

// The painting of one replay: the scale, the open batch of lines and the
// conversions from canvas pixels to painter coordinates.
class Replay {
 public:
  Replay(QPainter& p, QSize size, double scale, bool snap)
      : p_(p), w_(size.width()), h_(size.height()), s_(scale), snap_(snap) {
    font_.setFamily(QStringLiteral("DejaVu Sans Mono"));
    font_.setStyleHint(QFont::Monospace);
    font_.setPixelSize(13);
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p_.setBrush(Qt::NoBrush);
    // Rows and columns of pixels are most of a plot (two a cross): on a
    // plain image they are written into its memory directly, in the order
    // of the calls, as the painter itself would draw them.
    auto* image = dynamic_cast<QImage*>(p_.device());
    if (snap_ && image && p_.deviceTransform().isIdentity() &&
        (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32 ||
         image->format() == QImage::Format_ARGB32_Premultiplied)) {
      direct_ = image;
      directBounds_ = image->rect();
      if (p_.hasClipping()) directBounds_ &= p_.clipBoundingRect().toAlignedRect();
    }
  }
  ~Replay() { Flush(); }

  // The canvas pixels x0..x1-1, y0..y1-1 in colour c.
  void Block(double x0, double y0, double x1, double y1, QRgb c) {
    x0 = std::clamp(x0, -kMargin, w_ + kMargin);
    x1 = std::clamp(x1, -kMargin, w_ + kMargin);
    y0 = std::clamp(y0, -kMargin, h_ + kMargin);
    y1 = std::clamp(y1, -kMargin, h_ + kMargin);
    if (x1 <= x0 || y1 <= y0) return;
    Flush();
    if (snap_) {
      const int left = Snap(x0), top = Snap(y0);
      const int right = std::max(Snap(x1), left + 1), bottom = std::max(Snap(y1), top + 1);
      const QRect block(left, top, right - left, bottom - top);
      if (direct_) {
        const QRect inside = block & directBounds_;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
          auto* row = reinterpret_cast<QRgb*>(direct_->scanLine(y));
          std::fill(row + inside.left(), row + inside.right() + 1, c | 0xFF000000u);
        }
        return;
      }
      p_.fillRect(block, QColor::fromRgb(c));
    } else {
      p_.fillRect(QRectF(x0 * s_, y0 * s_, (x1 - x0) * s_, (y1 - y0) * s_), QColor::fromRgb(c));
    }
  }

  void Line(int x0, int y0, int x1, int y1, QRgb c) {
    if (y0 == y1 || x0 == x1) {
      // A row or a column of pixels, the end pixel left out as in the bitmap.
      int lo, hi;  // the pixels drawn along the line, inclusive
      const int from = y0 == y1 ? x0 : y0, to = y0 == y1 ? x1 : y1;
      if (to > from) {
        lo = from;
        hi = to - 1;
      } else if (to < from) {
        lo = to + 1;
        hi = from;
      } else {
        return;
      }
      if (snap_) {
        if (y0 == y1)
          Block(lo, y0, hi + 1.0, y0 + 1.0, c);
        else
          Block(x0, lo, x0 + 1.0, hi + 1.0, c);
        return;
      }
      const double a = std::clamp(lo + 0.5, -kMargin, (y0 == y1 ? w_ : h_) + kMargin);
      const double b = std::clamp(hi + 0.5, -kMargin, (y0 == y1 ? w_ : h_) + kMargin);
      if (y0 == y1)
        Add(QLineF(a * s_, (y0 + 0.5) * s_, b * s_, (y0 + 0.5) * s_), c, Qt::SquareCap);
      else
        Add(QLineF((x0 + 0.5) * s_, a * s_, (x0 + 0.5) * s_, b * s_), c, Qt::SquareCap);
      return;
    }
    double ax = x0 + 0.5, ay = y0 + 0.5, bx = x1 + 0.5, by = y1 + 0.5;
    if (!ClipSegment(ax, ay, bx, by, -kMargin, -kMargin, w_ + kMargin, h_ + kMargin)) return;
    Add(QLineF(ax * s_, ay * s_, bx * s_, by * s_), c, Qt::RoundCap);
  }

  void Rectangle(int x1, int y1, int x2, int y2, QRgb pen) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (snap_ || x2 - x1 < 2 || y2 - y1 < 2) {
      Block(x1, y1, x2 + 1.0, y2 + 1.0, pen);
      Block(x1 + 1.0, y1 + 1.0, x2, y2, qRgb(255, 255, 255));
      return;
    }
    Block(x1 + 1.0, y1 + 1.0, x2, y2, qRgb(255, 255, 255));
    p_.setPen(Pen(pen, Qt::SquareCap));
    p_.drawRect(QRectF((x1 + 0.5) * s_, (y1 + 0.5) * s_, (x2 - x1) * s_, (y2 - y1) * s_));
  }

  void Ellipse(int x1, int y1, int x2, int y2, QRgb pen) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x1 == x2 || y1 == y2) {
      Block(x1, y1, x2 + 1.0, y2 + 1.0, pen);
      return;
    }
    Flush();
    p_.setPen(Pen(pen, Qt::RoundCap));
    p_.drawEllipse(QRectF((x1 + 0.5) * s_, (y1 + 0.5) * s_, (x2 - x1) * s_, (y2 - y1) * s_));
  }

  // Black on white cells of 8 x 14 canvas pixels, one glyph a cell.
  void Text(int x, int y, const std::string& text) {
    if (text.empty()) return;
    Block(x, y, x + kCharWidth * static_cast<double>(text.size()), y + kCharHeight,
          qRgb(255, 255, 255));
    p_.save();
    p_.translate(x * s_, y * s_);
    p_.scale(s_, s_);
    p_.setFont(font_);
    p_.setPen(Qt::black);
    const QFontMetricsF metrics(font_);
    for (std::size_t k = 0; k < text.size(); ++k) {
      const unsigned char ch = static_cast<unsigned char>(text[k]);
      if (ch == ' ') continue;
      const QChar glyph = ch > 32 && ch <= 126 ? QChar(ch) : QChar('?');
      const double advance = metrics.horizontalAdvance(glyph);
      p_.drawText(
          QPointF(kCharWidth * static_cast<double>(k) + (kCharWidth - advance) / 2, kBaseline),
          QString(glyph));
    }
    p_.restore();
  }

  // Pixels set one by one (the interpolation curve, a map): one picture
  // for the whole run, each pixel a block, later pixels over earlier ones.
  void Pixels(const PlotRecording::Call* first, const PlotRecording::Call* last) {
    int left = w_, top = h_, right = -1, bottom = -1;
    for (const PlotRecording::Call* k = first; k != last; ++k) {
      if (k->a < 0 || k->b < 0 || k->a >= w_ || k->b >= h_) continue;
      left = std::min(left, k->a);
      right = std::max(right, k->a);
      top = std::min(top, k->b);
      bottom = std::max(bottom, k->b);
    }
    if (right < left) return;
    Flush();
    QImage run(right - left + 1, bottom - top + 1, QImage::Format_ARGB32);
    run.fill(Qt::transparent);
    for (const PlotRecording::Call* k = first; k != last; ++k)
      if (k->a >= left && k->a <= right && k->b >= top && k->b <= bottom)
        run.setPixel(k->a - left, k->b - top, k->colour());
    QRectF target(left * s_, top * s_, run.width() * s_, run.height() * s_);
    if (snap_)
      target = QRectF(QRect(QPoint(Snap(left), Snap(top)),
                            QPoint(Snap(right + 1.0) - 1, Snap(bottom + 1.0) - 1)));
    p_.drawImage(target, run);
  }

  void Bitmap(const QImage& image) {
    Flush();
    p_.save();
    p_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p_.drawImage(QRectF(0, 0, image.width() * s_, image.height() * s_), image);
    p_.restore();
  }

  void Flush() {
    if (lines_.isEmpty()) return;
    p_.setPen(Pen(lineColour_, lineCap_));
    p_.drawLines(lines_);
    lines_.clear();
  }

 private:
  int Snap(double v) const { return static_cast<int>(std::lround(v * s_)); }

  QPen Pen(QRgb c, Qt::PenCapStyle cap) const {
    QPen pen(QColor::fromRgb(c), s_);
    pen.setCapStyle(cap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
  }

  void Add(const QLineF& line, QRgb c, Qt::PenCapStyle cap) {
    if (!lines_.isEmpty() && (c != lineColour_ || cap != lineCap_)) Flush();
    lineColour_ = c;
    lineCap_ = cap;
    lines_.append(line);
  }

  QPainter& p_;
  QImage* direct_ = nullptr;
  QRect directBounds_;
  const int w_, h_;
  const double s_;
  const bool snap_;
  QFont font_;
  QVector<QLineF> lines_;
  QRgb lineColour_ = 0;
  Qt::PenCapStyle lineCap_ = Qt::RoundCap;
};

}  // namespace

void PlotRecording::Paint(QPainter& painter, QSize size, double scale, bool snap) const {
  EnsureGuiApplication();
  painter.save();
  {
    Replay r(painter, size, scale, snap);
    const Call* k = calls_.data();
    const Call* end = k + calls_.size();
    while (k != end) {
      switch (k->op()) {
        case Op::kLine:
          r.Line(k->a, k->b, k->c, k->d, k->colour());
          break;
        case Op::kRectangle:
          r.Rectangle(k->a, k->b, k->c, k->d, k->colour());
          break;
        case Op::kEllipse:
          r.Ellipse(k->a, k->b, k->c, k->d, k->colour());
          break;
        case Op::kText:
          r.Text(k->a, k->b, texts_[static_cast<std::size_t>(k->c)]);
          break;
        case Op::kPixel: {
          const Call* run = k;
          while (k + 1 != end && k[1].op() == Op::kPixel) ++k;
          r.Pixels(run, k + 1);
          break;
        }
        case Op::kFill:
          r.Block(std::min(k->a, k->c), std::min(k->b, k->d), std::max(k->a, k->c) + 1.0,
                  std::max(k->b, k->d) + 1.0, k->colour());
          break;
        case Op::kBitmap:
          r.Bitmap(bitmaps_[static_cast<std::size_t>(k->a)]);
          break;
      }
      ++k;
    }
  }
  painter.restore();
}

}  // namespace teril

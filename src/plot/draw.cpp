#include "plot/draw.h"

#include <cmath>
#include <utility>

#include "engine/engine.h"
#include "base/numfmt.h"

namespace teril {

namespace {

int RoundPixel(double v) {
  // nearbyint rounds halves to even in the default rounding mode. The
  // negated comparison also maps NaN to the lower bound.
  double r = std::nearbyint(v);
  if (!(r > -1e8)) return -100000000;
  if (r > 1e8) return 100000000;
  return static_cast<int>(r);
}

}  // namespace

int ToPixelX(const ViewState& v, double t) { return RoundPixel((t - v.tOrigin) * v.tScale + 130); }
int ToPixelX(const Engine& e, double t) { return ToPixelX(e.view, t); }

int ToPixelY(const ViewState& v, double x) { return RoundPixel((x - v.xMid) * v.xScale + 150); }
int ToPixelY(const Engine& e, double x) { return ToPixelY(e.view, x); }

void AttachCanvas(Engine& e, Canvas* canvas) {
  e.canvas = canvas;
  if (canvas) canvas->SetPen(Palette[e.view.penIndex]);
}

void SetPenColor(Engine& e, int index) {
  if (index == 0) e.LogLine("LOG>>>WHite!");
  if (index < 0 || index > 16) {
    e.LogLine("Color overflow");
    index = kBlack;
  }
  e.view.penIndex = index;
  if (e.canvas) e.canvas->SetPen(Palette[index]);
}

void DrawPixel(Engine& e, int x, int y, std::uint32_t rawColour) {
  DrawPixel(e, x, y, RgbFromRaw(rawColour));
}

void DrawPixel(Engine& e, int x, int y, Rgb colour) {
  if (e.canvas) e.canvas->SetPixel(x, y, colour);
}

void MovePen(Engine& e, int x, int y) {
  if (e.canvas) e.canvas->MoveTo(x, y);
}

void LineToPoint(Engine& e, int x, int y) {
  if (e.canvas) e.canvas->LineTo(x, y);
}

void DrawLine(Engine& e, int x1, int y1, int x2, int y2) {
  if (!e.canvas) return;
  e.canvas->MoveTo(x1, y1);
  e.canvas->LineTo(x2, y2);
}

void DrawRect(Engine& e, int x1, int y1, int x2, int y2) {
  if (e.canvas) e.canvas->Rectangle(x1, y1, x2, y2);
}

void DrawCircle(Engine& e, int x, int y, int r) {
  if (e.canvas) e.canvas->Ellipse(x - r, y - r, x + r, y + r);
}

void DrawText(Engine& e, int x, int y, const std::string& text) {
  if (e.canvas) e.canvas->Text(x, y, text);
}

void ClearPlot(Engine& e) {
  if (e.canvas) e.canvas->Clear();
}

void DrawFrame(Engine& e) {
  ViewState& v = e.view;
  const DataSet& d = e.data;
  ClearPlot(e);
  if (v.tMax == v.tMin) {
    v.tMin = v.tMinAll;
    v.tMax = v.tMaxAll;
    if (v.tMax == v.tMin) v.tMax = v.tMin + 1e-6;
  }
  // The origin is taken after the widening above, so that a widened window
  // still maps onto columns 130..630.
  v.tOrigin = v.tMin;
  v.halfWidth = (v.tMax - v.tMin) / 2;
  if (v.halfWidth == 0) v.halfWidth = 1;
  v.tScale = 250 / v.halfWidth;
  v.tCentre = (v.tMax + v.tMin) / 2;

  if ((v.xMin < v.xMax) != e.checks.inverseX) {
    std::swap(v.xMin, v.xMax);
    std::swap(v.xMinIdx, v.xMaxIdx);
  }
  v.xMid = (v.xMin + v.xMax) / 2;
  v.xScale = v.xMax == v.xMin ? 280.0 : 280 / (v.xMax - v.xMin);

  DrawRect(e, 119, 0, 639, 300);

  DrawText(e, 0, 60, "N=" + Str(static_cast<long long>(d.n), 4));
  DrawText(e, 0, 75, "C=" + Str(static_cast<long long>(e.run.columnX), 2));
  DrawText(e, 48, 60, "nb=" + Str(static_cast<long long>(e.run.headerLines), 6));

  DrawText(e, 120, 304, Str(v.tMin, d.tWidth, d.tDecimals));
  DrawText(e, 374 - 4 * d.tWidth, 304, Str(v.tCentre, d.tWidth + 1, d.tDecimals + 1));
  std::string right = Str(v.tMax, d.tWidth, d.tDecimals);
  DrawText(e, 639 - 8 * static_cast<int>(right.size()), 304, right);
  DrawText(e, 117 - 8 * d.xWidth, 9, Str(v.xMin, d.xWidth, d.xDecimals));
  DrawText(e, 117 - 8 * d.xWidth, 288, Str(v.xMax, d.xWidth, d.xDecimals));

  // Ticks: the lines end one pixel beyond, as the end pixel is not drawn.
  for (int row : {10, 290}) {
    DrawLine(e, 120, row, 127, row);
    DrawLine(e, 633, row, 640, row);
  }
  for (int col : {130, 380, 630}) {
    DrawLine(e, col, 0, col, 7);
    DrawLine(e, col, 294, col, 301);
  }

  SetPenColor(e, kOtherObserverColor);
  DrawText(e, 0, 350, "Command >>");
  SetPenColor(e, v.mainColor);

  const TransformFlags& f = e.run.flags;
  const std::pair<bool, const char*> letters[] = {{f.lgT, "t"},
                                                  {f.powT, "g"},
                                                  {f.lgX, "y"},
                                                  {f.powX, "h"},
                                                  {f.intensityToMagnitude, "m"},
                                                  {f.magnitudeToIntensity, "i"}};
  for (int k = 0; k < 6; ++k)
    DrawText(e, 56 + 8 * k, 300, letters[k].first ? letters[k].second : " ");

  if (d.phased) {
    const Ephemeris& eph = e.eph;
    SetPenColor(e, kOtherObserverColor);
    DrawText(e, 100, 412, "T_0=" + Str(eph.epochT0, 10, 4));
    DrawText(e, 250, 412, "P=" + Str(eph.period, 12, 6));
    DrawText(e, 400, 312, "f=" + Str(eph.period != 0 ? 1 / eph.period : eph.period, 12, 6));
    if (eph.Q != 0) DrawText(e, 540, 312, "Q=" + Str(eph.Q, 8, 5));
    if (!e.trial.frequencyList.empty()) {
      DrawText(e, 560, 312, "n[f]=" + Str(static_cast<long long>(e.trial.frequencyIndex), 2));
      DrawText(e, 616, 312, "/" + Str(static_cast<long long>(e.trial.frequencyList.size()), 2));
    }
    SetPenColor(e, v.mainColor);
  }
}

void DrawPlot(Engine& e) {
  ViewState& v = e.view;
  const DataSet& d = e.data;
  DrawFrame(e);  // clears the plot first
  // An interval chosen by its indices keeps them; otherwise the visible
  // points are counted by time over the whole set.
  const bool byIndex = v.IndexRangeHolds(d.n);
  if (!byIndex) v.indexRange.on = false;
  const int from = byIndex ? v.firstVisible : 1;
  const int to = byIndex ? v.lastVisible : d.n;
  v.firstVisible = 0;
  v.lastVisible = 0;
  SetPenColor(e, v.mainColor);
  const int h = v.showInterpolation ? 4 : 3;
  const int n = d.n;
  const int sel = v.j >= 1 && v.j <= n ? v.j : (n >= 1 ? 1 : 0);
  v.selectedObserver = d.observer[sel];

  const bool highLight = e.checks.highlightAuthor;
  const bool fitMarks = v.showFitMarks;
  const double tMin = v.tMin, tMax = v.tMax;
  const double* t = d.t.data();
  const double* x = d.x.data();
  const ObserverCode selected = v.selectedObserver;
  int first = 0, last = 0;
  for (int i = from; i <= to; ++i) {
    const double ti = t[i];
    if (ti < tMin || ti > tMax) continue;
    const int px = ToPixelX(v, ti);
    if (fitMarks) {
      SetPenColor(e, kFitMarkColor);
      const int yf = ToPixelY(v, x[i] - d.s[i]);
      DrawLine(e, px - 2, yf, px + 2, yf);
    }
    const int py = ToPixelY(v, x[i]);
    if (!(d.observer[i] == selected)) {
      SetPenColor(e, kOtherObserverColor);
    } else {
      // Without the highlight the pen keeps the colour of the previous step.
      if (highLight) SetPenColor(e, v.mainColor);
      DrawLine(e, px - 1, py - h, px - 1, py + h);
    }
    DrawLine(e, px - h, py, px + h, py);
    DrawLine(e, px, py - h, px, py + h);
    if (first == 0) first = i;
    last = i;
  }
  v.firstVisible = first;
  v.lastVisible = last;
  if (byIndex) {
    v.indexRange.first = first;
    v.indexRange.last = last;
  }

  if (v.leftMark > 0) {
    DrawText(e, 40, 280, Str(static_cast<long long>(v.leftMark), 5));
    if (v.firstVisible >= 1 && v.firstVisible <= v.leftMark && v.leftMark <= v.lastVisible &&
        v.leftMark <= n) {
      SetPenColor(e, kMarkCircleColor);
      const int mx = ToPixelX(v, t[v.leftMark]), my = ToPixelY(v, x[v.leftMark]);
      DrawCircle(e, mx, my, 4);
      DrawCircle(e, mx, my, 5);
    }
    SetPenColor(e, v.mainColor);
  }
  if (v.showInterpolation) DrawInterpolationCurve(e);
  SetPenColor(e, v.cursorColor);
  v.j = v.cursorPoint;
  if (v.mapShift > 0) DrawText(e, 320, 312, "map shift=" + Str(static_cast<long long>(v.mapShift)));
}

void DrawInterpolationCurve(Engine& e) {
  const ViewState& v = e.view;
  const DataSet& d = e.data;
  const int fv = v.firstVisible, lv = v.lastVisible;
  if (fv < 1 || lv - fv < 3) return;
  const Rgb curve = RgbFromRaw(10);
  for (int px = 130; px <= 630; ++px) {
    const double tp = (px - 130) / v.tScale + v.tOrigin;
    int b = fv;
    while (d.t[b] < tp && b < lv) ++b;
    b -= 2;
    if (b > lv - 3) b = lv - 3;
    if (b < fv) b = fv;
    double value = 0;
    bool defined = true;
    for (int k = 0; k < 4 && defined; ++k) {
      double w = d.x[b + k];
      for (int m = 0; m < 4; ++m) {
        if (m == k) continue;
        const double den = d.t[b + k] - d.t[b + m];
        if (den == 0) {
          defined = false;
          break;
        }
        w *= (tp - d.t[b + m]) / den;
      }
      value += w;
    }
    if (!defined) continue;
    const int py = RoundPixel((value - v.xMid) * v.xScale) + 150;
    if (py > 10 && py < 350) DrawPixel(e, px, py, curve);
  }
}

}  // namespace teril

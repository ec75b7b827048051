#include "plot/cursor.h"

#include <cmath>
#include <string>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "periodicity/phase.h"
#include "plot/draw.h"
#include "plot/view.h"

namespace teril {

namespace {

std::string Int(long long v, int width = 0) { return Str(v, width); }

void ClampCurrent(Engine& e) {
  int& j = e.view.j;
  if (j < 1) j = 1;
  if (j > e.data.n) j = e.data.n;
}

Continuation Step(Engine& e, int by) {
  e.view.j += by;
  return Continuation::Wrap;
}

}  // namespace

double ReadoutPhase(const Engine& e, double t) { return PhaseOfTime(e.eph, t); }

void ShowCurrentPoint(Engine& e) {
  ViewState& v = e.view;
  const DataSet& d = e.data;
  if (d.n < 1) return;
  int& j = v.j;
  if (v.firstVisible >= 1 && (j < v.firstVisible || j > v.lastVisible)) {
    j = (v.firstVisible + v.lastVisible) / 2;
    // The cursor point follows, or the drawings below would bring back the
    // point that lies outside.
    v.cursorPoint = j;
  }
  if (j < 1 || j > d.n) {
    ClampCurrent(e);
    v.cursorPoint = j;
  }
  if (d.t[j] < v.tMin || d.t[j] > v.tMax) {
    e.host.MessageBox("PL5 " + Int(j) + " " + Int(v.firstVisible) + " " + Int(v.lastVisible));
    CentreOnCurrent(e);
    DrawPlot(e);
  }
  if (v.tMin != v.savedTMin) {
    v.xMin = v.xMinAll;
    v.xMax = v.xMaxAll;
    v.savedTMin = v.tMin;
    DrawPlot(e);
  }
  const int cx = ToPixelX(v, d.t[j]);
  const int cy = ToPixelY(v, d.x[j]) + 1;
  v.cursorX = cx;
  v.cursorY = cy;

  DrawRect(e, 0, 90, 118, 200);
  if (e.checks.hint) {
    SetPenColor(e, kOtherObserverColor);
    DrawCircle(e, cx, cy, 5);
    DrawCircle(e, cx, cy, 12);
    SetPenColor(e, kBlack);
  }
  MovePen(e, 100, 248);
  SetPenColor(e, v.mainColor);

  DrawText(e, 5, 90, "t =" + Str(d.t0[j], d.tWidth, d.tDecimals));
  DrawText(e, 5, 105, "t*=" + Str(d.t[j], d.tWidth, d.tDecimals));
  DrawRect(e, 0, 10, 24, 18);
  DrawText(e, 0, 10, d.observer[j].str());
  if (d.t0[j] != 0) {
    v.reciprocalT = 1 / d.t0[j];
    const int decimals = 2 * d.tWidth - d.tDecimals - 6;
    DrawText(e, 5, 120, "1/t=" + Str(v.reciprocalT, 16, decimals > 0 ? decimals : 0));
  }
  DrawText(e, 5, 135, "phase=" + Str(ReadoutPhase(e, d.t0[j]), 6, 4));
  DrawText(e, 5, 150, "i=" + Int(e.run.headerLines + j, 5));
  DrawText(e, 5, 165, "x=" + Str(d.x[j], d.xWidth, d.xDecimals));

  SetPenColor(e, v.cursorColor);
  DrawRect(e, cx, cy + 1, cx + 2, cy + 10);
  DrawLine(e, cx + 1, cy, cx + 1, cy + 9);
}

bool WrapCurrent(Engine& e) {
  const int n = e.data.n;
  if (n < 1) return false;
  int& j = e.view.j;
  j %= n;
  if (j < 1) j += n;
  e.view.cursorPoint = j;
  Redraw(e);
  return true;
}

int NearestPoint(const Engine& e, int px, int py) {
  const ViewState& v = e.view;
  const DataSet& d = e.data;
  double best = 1e10;
  int found = 0;
  for (int i = 1; i <= d.n; ++i) {
    const double dx = v.tScale * (d.t[i] - v.tOrigin) + 130 - px;
    const double dy = v.xScale * (d.x[i] - v.xMid) + 150 - py;
    const double dist = dx * dx + dy * dy;
    if (dist < best) {
      best = dist;
      found = i;
    }
  }
  return found;
}

int TopOrBottomPoint(const Engine& e, bool up) {
  const ViewState& v = e.view;
  const DataSet& d = e.data;
  const int fv = v.firstVisible;
  const int lv = v.lastVisible < d.n ? v.lastVisible : d.n;
  if (fv < 1 || fv > lv) return 0;
  const bool smallerOnTop = v.xMin < v.xMax;
  const bool f = up ? smallerOnTop : !smallerOnTop;
  double value = d.x[fv];
  int k = fv;
  for (int i = fv; i <= lv; ++i) {
    if ((value < d.x[i]) != f) {
      value = d.x[i];
      k = i;
    }
  }
  return k;
}

Continuation NextPoint(Engine& e) { return Step(e, 1); }
Continuation PrevPoint(Engine& e) { return Step(e, -1); }
Continuation Forward10(Engine& e) { return Step(e, 10); }
Continuation Back10(Engine& e) { return Step(e, -10); }
Continuation Forward100(Engine& e) { return Step(e, 100); }
Continuation Back100(Engine& e) { return Step(e, -100); }
Continuation Forward1000(Engine& e) { return Step(e, 1000); }
Continuation Back1000(Engine& e) { return Step(e, -1000); }

Continuation PrevTurningPoint(Engine& e) {
  const int n = e.data.n;
  if (n < 1) return Continuation::Wrap;
  ClampCurrent(e);
  const double* x = e.data.x.data();
  int& j = e.view.j;
  j -= 1;
  while (j > 1 && (x[j] - x[j - 1]) * (x[j] - x[j + 1]) < 0) --j;
  return Continuation::Wrap;
}

Continuation NextTurningPoint(Engine& e) {
  const int n = e.data.n;
  if (n < 1) return Continuation::Wrap;
  ClampCurrent(e);
  const double* x = e.data.x.data();
  int& j = e.view.j;
  j += 1;
  while (j < n && (x[j] - x[j - 1]) * (x[j] - x[j + 1]) < 0) ++j;
  return Continuation::Wrap;
}

Continuation FirstAtScreen(Engine& e) {
  e.view.j = e.view.firstVisible;
  return Continuation::Wrap;
}

Continuation LastAtScreen(Engine& e) {
  e.view.j = e.view.lastVisible;
  return Continuation::Wrap;
}

Continuation FirstPoint(Engine& e) {
  e.view.j = 1;
  return Continuation::Wrap;
}

Continuation LastPoint(Engine& e) {
  e.view.j = e.data.n;
  return Continuation::Wrap;
}

Continuation MinLimitPoint(Engine& e) {
  e.view.j = e.view.xMinIdx;
  return Continuation::Wrap;
}

Continuation MaxLimitPoint(Engine& e) {
  e.view.j = e.view.xMaxIdx;
  return Continuation::Wrap;
}

void TopClick(Engine& e) {
  if (int k = TopOrBottomPoint(e, true)) e.view.cursorPoint = e.view.j = k;
  e.console.InjectKey("#");
}

void BottomClick(Engine& e) {
  if (int k = TopOrBottomPoint(e, false)) e.view.cursorPoint = e.view.j = k;
  e.console.InjectKey("#");
}

void PlotClick(Engine& e, int px, int py) {
  if (int k = NearestPoint(e, px, py)) e.view.cursorPoint = k;
  e.console.InjectKey("#");
  e.view.j = e.view.cursorPoint;
}

void HintClick(Engine& e) {
  e.checks.hint = !e.checks.hint;
  e.console.InjectKey("#");
}

}  // namespace teril

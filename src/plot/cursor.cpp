#include "plot/cursor.h"

#include <charconv>
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

// Digits that carry the value: those after the leading zeros (and before
// an exponent).
int SignificantDigits(const std::string& number) {
  int count = 0;
  bool started = false;
  for (char c : number) {
    if (c == 'e') break;
    if (c < '0' || c > '9') continue;
    started = started || c != '0';
    count += started;
  }
  return count;
}

// A row of the read-out box. The box is 118 pixels wide and its rows start
// at column 5, so a row holds 14 characters; a longer one would run over the
// frame into the plot (and out of the area blanked before a picture). The
// row as printed with `width` and `decimals` when it fits; otherwise the
// number loses its padding, then decimals, or takes an exponent, whichever
// keeps more significant digits.
std::string ReadoutRow(const std::string& label, double v, int width, int decimals) {
  constexpr std::size_t kRowChars = (118 - 5) / 8;
  std::string row = label + Str(v, width, decimals);
  if (row.size() <= kRowChars) return row;
  const std::size_t room = kRowChars - label.size();
  std::string fixed;
  for (int d = decimals; d >= 0; --d) {
    fixed = Str(v, 0, d);
    if (fixed.size() <= room) {
      // Every decimal asked for, or nothing an exponent could add.
      if (d == decimals || v == 0 || !std::isfinite(v)) return label + fixed;
      break;
    }
  }
  std::string scientific;
  for (int digits = 15; digits >= 0; --digits) {
    char buffer[40];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific, digits);
    if (ec != std::errc()) continue;
    scientific.assign(buffer, end);
    if (scientific.size() <= room) break;
  }
  if (fixed.size() <= room && SignificantDigits(fixed) >= SignificantDigits(scientific))
    return label + fixed;
  return label + scientific;
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

  DrawText(e, 5, 90, ReadoutRow("t =", d.t0[j], d.tWidth, d.tDecimals));
  DrawText(e, 5, 105, ReadoutRow("t*=", d.t[j], d.tWidth, d.tDecimals));
  DrawRect(e, 0, 10, 24, 18);
  DrawText(e, 0, 10, d.observer[j].str());
  if (d.t0[j] != 0) {
    v.reciprocalT = 1 / d.t0[j];
    const int decimals = 2 * d.tWidth - d.tDecimals - 6;
    DrawText(e, 5, 120, ReadoutRow("1/t=", v.reciprocalT, 16, decimals > 0 ? decimals : 0));
  }
  DrawText(e, 5, 135, "phase=" + Str(ReadoutPhase(e, d.t0[j]), 6, 4));
  DrawText(e, 5, 150, "i=" + Int(e.run.headerLines + j, 5));
  DrawText(e, 5, 165, ReadoutRow("x=", d.x[j], d.xWidth, d.xDecimals));

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

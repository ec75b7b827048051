#include "plot/view.h"

#include <cmath>
#include <string>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "plot/cursor.h"
#include "plot/draw.h"

namespace teril {

namespace {

// Recounts firstVisible/lastVisible for the window tMin..tMax; true when a
// point is inside.
bool CountVisible(Engine& e) {
  ViewState& v = e.view;
  const double* t = e.data.t.data();
  int first = 0, last = 0;
  for (int i = 1; i <= e.data.n; ++i) {
    if (v.tMin <= t[i] && t[i] <= v.tMax) {
      if (first == 0) first = i;
      last = i;
    }
  }
  v.firstVisible = first;
  v.lastVisible = last;
  return first != 0;
}

// Keeps the window inside the data range with its width 2 * halfWidth.
void ClampWindow(ViewState& v) {
  if (v.tMin < v.tMinAll) {
    v.tMin = v.tMinAll;
    v.tMax = v.tMin + 2 * v.halfWidth;
  }
  if (v.tMax > v.tMaxAll) {
    v.tMax = v.tMaxAll;
    v.tMin = v.tMax - 2 * v.halfWidth;
  }
}

void ShiftWindow(ViewState& v, double step) {
  v.tMin += step;
  v.tMax += step;
  ClampWindow(v);
}

// The current point as an index that can be read (1..n).
int SafeCurrent(const Engine& e) {
  int j = e.view.j;
  if (j < 1) j = 1;
  if (j > e.data.n) j = e.data.n;
  return j;
}

}  // namespace

void Redraw(Engine& e) {
  DrawPlot(e);
  ShowCurrentPoint(e);
}

void RescaleSignal(Engine& e) {
  ViewState& v = e.view;
  const DataSet& d = e.data;
  const int fv = v.firstVisible;
  const int lv = v.lastVisible < d.n ? v.lastVisible : d.n;
  if (fv >= 1 && fv <= lv) {
    v.xMin = v.xMax = d.x[fv];
    v.xMinIdx = v.xMaxIdx = fv;
    for (int i = fv; i <= lv; ++i) {
      if (d.x[i] < v.xMin) {
        v.xMin = d.x[i];
        v.xMinIdx = i;
      }
      if (d.x[i] > v.xMax) {
        v.xMax = d.x[i];
        v.xMaxIdx = i;
      }
    }
    if (fv == 1 && lv == d.n) {
      v.xMinAll = v.xMin;
      v.xMaxAll = v.xMax;
    }
  }
  const TransformFlags& f = e.run.flags;
  v.x0Ref = (v.xMin != 0 && !f.magnitudeToIntensity) ? v.xMin : 1.0;
  if (v.xMax > 0 && !f.intensityToMagnitude) v.m0Ref = std::log(v.xMax) / (-0.4 * std::log(10.0));
  DrawText(e, 300, 250, Sci23(v.x0Ref));
  e.data.xWidth = FitPrintWidth(d.xDecimals, v.xMin, v.xMax);
  Redraw(e);
}

void ResetView(Engine& e) {
  ViewState& v = e.view;
  DataSet& d = e.data;
  if (d.n < 1) {
    v.firstVisible = v.lastVisible = 0;
    Redraw(e);
    return;
  }
  v.firstVisible = 1;
  v.lastVisible = d.n;
  v.levelYc = d.x[1];
  v.tMin = v.tMax = d.t[1];
  for (int i = 2; i <= d.n; ++i) {
    if (d.t[i] < v.tMin) v.tMin = d.t[i];
    if (d.t[i] > v.tMax) v.tMax = d.t[i];
  }
  v.tMinAll = v.tMin;
  v.tMaxAll = v.tMax;
  d.tWidth = FitPrintWidth(d.tDecimals, v.tMin, v.tMax) - 1;
  RescaleSignal(e);
}

void MoveWindow(Engine& e) {
  ViewState& v = e.view;
  const DataSet& d = e.data;
  if (d.phased) return;
  const double step = v.halfWidth * v.scrollShift;
  if (step == 0 && v.IndexRangeHolds(d.n)) {
    // An interval chosen by its indices stays as it is: recounting the
    // points by time would pick the first points with those times.
    const int j = SafeCurrent(e);
    v.cursorPoint = j >= v.firstVisible && j <= v.lastVisible ? j : v.firstVisible;
    Redraw(e);
    return;
  }
  const double startMin = v.tMin, startMax = v.tMax;
  ShiftWindow(v, step);
  bool found = CountVisible(e);
  if (!found && step != 0) {
    // The window lies in a gap: the shift repeats until the nearest point
    // ahead enters. Far gaps are crossed with one jump of whole steps; the
    // last few steps are taken one by one as the plain repetition would.
    const double* t = d.t.data();
    bool ahead = false;
    double target = 0;
    for (int i = 1; i <= d.n; ++i) {
      if (step > 0 ? t[i] > v.tMax && (!ahead || t[i] < target)
                   : t[i] < v.tMin && (!ahead || t[i] > target)) {
        target = t[i];
        ahead = true;
      }
    }
    if (ahead) {
      const double gap = step > 0 ? target - v.tMax : v.tMin - target;
      const double whole = std::floor(gap / std::fabs(step)) - 2;
      if (whole > 0) ShiftWindow(v, whole * step);
      for (int tries = 0; tries < 64 && !found; ++tries) {
        const double prevMin = v.tMin, prevMax = v.tMax;
        ShiftWindow(v, step);
        if (v.tMin <= target && target <= v.tMax) found = CountVisible(e);
        if (!found && v.tMin == prevMin && v.tMax == prevMax) break;  // pinned at an end
      }
    }
  }
  if (!found) {
    v.tMin = startMin;
    v.tMax = startMax;
    CountVisible(e);
  }
  if (d.n >= 1) {
    const int j = SafeCurrent(e);
    const bool jInside = v.tMin <= d.t[j] && d.t[j] <= v.tMax;
    v.cursorPoint = jInside || v.firstVisible == 0 ? j : v.firstVisible;
  }
  Redraw(e);
}

void CentreOnCurrent(Engine& e) {
  ViewState& v = e.view;
  if (e.data.n < 1) return;
  v.tCentre = e.data.t[SafeCurrent(e)];
  v.tMin = v.tCentre - v.halfWidth;
  v.tMax = v.tCentre + v.halfWidth;
}

int FitPrintWidth(int decimals, double low, double high) {
  const double m = std::fmax(std::fabs(low), std::fabs(high));
  int k = 0;
  if (m >= 1 && std::isfinite(m)) k = static_cast<int>(std::trunc(std::log10(m)));
  if (low < 0) k += 1;
  return decimals > 0 ? decimals + k + 3 : decimals + k + 2;
}

void AskViewLimits(Engine& e) {
  ViewState& v = e.view;
  ClearPlot(e);
  struct Question {
    const char* name;
    double* value;
  };
  const Question questions[] = {{"t1= [", &v.tMin},
                                {"t2= [", &v.tMax},
                                {"x1= [", &v.xMin},
                                {"v2= [", &v.xMax},
                                {"yc= [", &v.levelYc}};
  for (const Question& q : questions) {
    e.console.SetPrompt(q.name + General(*q.value) + "]");
    const std::string answer = e.console.ReadText();
    if (answer.find_first_not_of(' ') == std::string::npos) continue;
    if (auto value = ParseNumber(answer)) *q.value = *value;
  }
}

Continuation ZoomIn(Engine& e) {
  ViewState& v = e.view;
  if (e.data.n < 1) return Continuation::Read;
  const double tj = e.data.t[SafeCurrent(e)];
  v.halfWidth /= 2;
  v.tMin = (v.tMin + tj) / 2;
  v.tMax = (v.tMax + tj) / 2;
  v.scrollShift = 0;
  return Continuation::Window;
}

Continuation ZoomOut(Engine& e) {
  ViewState& v = e.view;
  if (e.data.n < 1) return Continuation::Read;
  const double tj = e.data.t[SafeCurrent(e)];
  v.halfWidth *= 2;
  v.tMin = 2 * v.tMin - tj;
  v.tMax = 2 * v.tMax - tj;
  v.scrollShift = 0;
  return Continuation::Window;
}

Continuation ScrollLeft(Engine& e) {
  e.view.scrollShift = -1;
  return Continuation::Window;
}

Continuation ScrollRight(Engine& e) {
  e.view.scrollShift = 1;
  return Continuation::Window;
}

Continuation LeftEdge(Engine& e) {
  if (e.data.n >= 1) e.view.tMin = e.data.t[SafeCurrent(e)];
  return Continuation::Redraw;
}

Continuation RightEdge(Engine& e) {
  if (e.data.n >= 1) e.view.tMax = e.data.t[SafeCurrent(e)];
  return Continuation::Redraw;
}

Continuation DataStartAsLeftEdge(Engine& e) {
  e.view.tMin = e.view.tMinAll;
  return Continuation::Redraw;
}

Continuation DataEndAsRightEdge(Engine& e) {
  e.view.tMax = e.view.tMaxAll;
  return Continuation::Redraw;
}

Continuation CentreCommand(Engine& e) {
  CentreOnCurrent(e);
  return Continuation::Redraw;
}

Continuation RestoreInterval(Engine&) { return Continuation::Full; }

Continuation Refresh(Engine&) { return Continuation::Rescale; }

Continuation WholeSetSignalRange(Engine& e) {
  e.view.xMin = e.view.xMinAll;
  e.view.xMax = e.view.xMaxAll;
  return Continuation::Redraw;
}

Continuation InverseX(Engine&) {
  // The orientation is the check mark of "Inverse x" itself: redraw.
  return Continuation::Redraw;
}

Continuation ToggleInterpolation(Engine& e) {
  e.view.showInterpolation = !e.view.showInterpolation;
  return Continuation::Redraw;
}

Continuation SetViewLimits(Engine& e) {
  AskViewLimits(e);
  return Continuation::Redraw;
}

void InverseXClick(Engine& e) {
  e.checks.inverseX = !e.checks.inverseX;
  e.console.InjectKey("*");
}

void HighLightAuthorClick(Engine& e) {
  e.checks.highlightAuthor = !e.checks.highlightAuthor;
  e.console.InjectKey("#");
}

}  // namespace teril

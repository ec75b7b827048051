// The running parabola at the argument of every point (key "~^", action
// "parabola") and the pieces the table and the scalegram share.
#include "smoothing/running_parabola.h"

#include <algorithm>
#include <vector>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "plot/draw.h"

namespace teril {
namespace {

// Points between two calls of the progress display.
constexpr int kProgressEvery = 16384;

}  // namespace

double RunningParabolaWeight(double c, double dt) {
  const double u = c / dt;
  if (u <= -1 || u >= 1) return 0;
  const double q = 1 - u * u;
  return q * q;
}

CentreFit SolveCentre(const ParabolaSums& s) {
  CentreFit f;
  f.A = s.S2 * s.S4 - s.S3 * s.S3;
  f.B = s.S2 * s.S3 - s.S1 * s.S4;
  f.C = s.S1 * s.S3 - s.S2 * s.S2;
  f.det = f.A * s.S0 + f.B * s.S1 + f.C * s.S2;
  if (f.det > 0) {
    f.solved = true;
    f.a0 = (f.A * s.Y0 + f.B * s.Y1 + f.C * s.Y2) / f.det;
  }
  const double scale = s.S0 * s.S2 * s.S4;
  f.rho = scale > 0 ? f.det / scale : 0;
  return f;
}

int FirstInWindow(const double* t, int n, int from, double tc, double dt) {
  // (t[i] - tc)/dt rises with i for ascending t (rounding is monotone), so
  // the points with u <= -1 come first: a binary search finds the edge.
  int lo = from, hi = n + 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if ((t[mid] - tc) / dt <= -1)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

int WindowEnd(const double* t, int n, int from, double tc, double dt) {
  int lo = from, hi = n + 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if ((t[mid] - tc) / dt < 1)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

int FirstUnsorted(const double* t, int n) {
  for (int k = 2; k <= n; ++k)
    if (t[k] < t[k - 1]) return k;
  return 0;
}

const std::string& RunningParabolaCitation() {
  static const std::string text =
      "Andronov I.L., 1997, Astron. Astrophys. Suppl. Ser. 125, 207 (method of running parabolae)";
  return text;
}

bool RunningParabolaPoints(Engine& engine) {
  DataSet& d = engine.data;
  const double dt = engine.runningParabola.rpDeltaT;
  if (!(dt > 0)) {
    engine.LogLine("!!! Running parabola: Delta_t must be positive, not " + General(dt));
    return false;
  }
  if (int k = FirstUnsorted(d.t.data(), d.n)) {
    engine.LogLine("!!! Running parabola: the points are not sorted by t (point " +
                   Str(static_cast<long long>(k)) + "); sort them first (Edit > Sort)");
    return false;
  }
  SetPenColor(engine, 27);
  engine.LogLine("0");
  engine.LogLine("180");
  engine.LogLine("RP computation");
  // Into a copy, so that a stopped run leaves the old s.
  std::vector<double> s(d.n + 1);
  const int n = d.n;
  ProgressScope progress(engine.host);
  auto before = [&](int k) {
    if ((n - k) % 100 == 0) engine.LogLine(n - k);
    return k % kProgressEvery != 0 || progress.Step(k, n, "Running parabola");
  };
  const bool done = RunningParabolaResiduals(d.t.data(), d.x.data(), n, dt, s.data(), before);
  SetPenColor(engine, 14);
  if (!done) {
    engine.LogLine("Running parabola stopped: s is unchanged");
    return false;
  }
  std::copy(s.begin() + 1, s.end(), d.s.begin() + 1);
  return true;
}

Continuation RunningParabolaKey(Engine& engine) {
  engine.console.SetPrompt("Dt=" + General(engine.runningParabola.rpDeltaT));
  if (!RunningParabolaPoints(engine)) return Continuation::Read;
  engine.view.showFitMarks = true;
  return Continuation::Rescale;
}

void RunningParabolaAction(Engine& engine) {
  double dt = engine.runningParabola.rpDeltaT;
  engine.console.AskNumber("Delta_t",
                           "Value of the filter half-width for Running Parabolae Delta_t=", dt);
  if (!(dt > 0)) {
    engine.host.MessageBox("Delta_t must be positive; it stays " + General(engine.runningParabola.rpDeltaT));
    return;
  }
  engine.runningParabola.rpDeltaT = dt;
  engine.console.InjectKey("~^");
}

}  // namespace teril

// Transformations that change the number of points or combine neighbours:
// differences, derivatives, density doubling, the lag diagram and the
// clock-rate correction of the argument.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/editing.h"
#include "data/transform.h"
#include "data/transform_detail.h"
#include "engine/engine.h"

namespace teril {

using detail::LogRefusal;
using detail::MapT;

namespace {

// After n went down by one: the view indices stay on existing points.
void AfterPointRemoved(Engine& engine) {
  ViewState& v = engine.view;
  const int n = engine.data.n;
  v.lastVisible = std::min(v.lastVisible, n);
  v.firstVisible = std::max(1, std::min(v.firstVisible, n));
  v.j = std::max(1, std::min(v.j, n));
  v.cursorPoint = std::max(1, std::min(v.cursorPoint, n));
  NoteCountChanged(engine);
}

// x[i-1] := (g(x[i]) - g(x[i-1]))/(t[i] - t[i-1]), t[i-1] := mid-point.
template <class G>
bool DerivativeOf(Engine& engine, const std::string& name, G g) {
  DataSet& d = engine.data;
  const int n = d.n;
  if (n < 2) {
    engine.LogLine("!!! " + name + " needs at least 2 points");
    return false;
  }
  std::vector<double> nx(n), nt(n);
  for (int i = 2; i <= n; ++i) {
    const double dt = d.t[i] - d.t[i - 1];
    nx[i - 1] = (g(d.x[i]) - g(d.x[i - 1])) / dt;
    nt[i - 1] = (d.t[i - 1] + d.t[i]) / 2;
    if (!std::isfinite(nx[i - 1]) || !std::isfinite(nt[i - 1])) {
      LogRefusal(engine, name, i, "t", d.t[i]);
      return false;
    }
  }
  for (int i = 1; i < n; ++i) {
    d.x[i] = nx[i];
    d.t[i] = nt[i];
  }
  d.n = n - 1;
  AfterPointRemoved(engine);
  return true;
}

// Reads a number after a prompt; nothing when the answer is empty.
std::optional<double> AskOptional(Engine& engine, const std::string& prompt, bool& bad) {
  engine.console.SetPrompt(prompt);
  std::string answer = engine.console.ReadText();
  if (answer.find_first_not_of(' ') == std::string::npos) return std::nullopt;
  auto v = ParseNumber(answer);
  if (!v) {
    engine.LogLine("\"" + answer + "\" is not a number");
    bad = true;
  }
  return v;
}

}  // namespace

bool DifferencesOfT(Engine& engine) {
  DataSet& d = engine.data;
  if (d.n < 2) {
    engine.LogLine("!!! differences of t need at least 2 points");
    return false;
  }
  const int last = d.n - 1;
  for (int i = 1; i <= last; ++i) {
    if (!std::isfinite(d.t[i + 1] - d.t[i])) {
      LogRefusal(engine, "differences of t", i, "t", d.t[i]);
      return false;
    }
  }
  for (int i = 1; i <= last; ++i) d.x[i] = d.t[i + 1] - d.t[i];
  d.n = last;
  AfterPointRemoved(engine);
  return true;
}

bool Derivative(Engine& engine) {
  return DerivativeOf(engine, "derivative dx/dt", [](double v) { return v; });
}

bool SquareDerivative(Engine& engine) {
  return DerivativeOf(engine, "derivative d(x^2)/dt", [](double v) { return v * v; });
}

bool DoubleDensity(Engine& engine) {
  DataSet& d = engine.data;
  const int n = d.n;
  if (n < 2) {
    engine.LogLine("!!! doubling the density needs at least 2 points");
    return false;
  }
  if (2LL * n - 1 > MaxPoints) {
    engine.LogLine("!!! doubling the density refused: " + Str(2LL * n - 1) +
                   " points would exceed the capacity of " +
                   Str(static_cast<long long>(MaxPoints)));
    return false;
  }
  // New value between old points m and m + 1 (m = 1..n-1).
  const auto& x = d.x;
  std::vector<double> mid(n);
  for (int m = 1; m < n; ++m) {
    double v;
    if (n == 2)
      v = (x[1] + x[2]) / 2;
    else if (m == 1)
      v = (3 * x[1] + 6 * x[2] - x[3]) / 8;
    else if (m == n - 1)
      v = (3 * x[n] + 6 * x[n - 1] - x[n - 2]) / 8;
    else
      v = (9 * (x[m] + x[m + 1]) - (x[m - 1] + x[m + 2])) / 16;
    if (!std::isfinite(v) || !std::isfinite((d.t[m] + d.t[m + 1]) / 2)) {
      LogRefusal(engine, "doubling the density", m, "x", x[m]);
      return false;
    }
    mid[m] = v;
  }
  // Old point i goes to 2i - 1; from the top down nothing is overwritten
  // before it has moved.
  for (int i = n; i >= 1; --i) d.CopyPoint(i, 2 * i - 1);
  for (int m = 1; m < n; ++m) {
    const int k = 2 * m;
    d.t[k] = (d.t[k - 1] + d.t[k + 1]) / 2;
    d.t0[k] = (d.t0[k - 1] + d.t0[k + 1]) / 2;
    d.s[k] = (d.s[k - 1] + d.s[k + 1]) / 2;
    d.x[k] = mid[m];
    d.observer[k] = ObserverCode();
  }
  d.n = 2 * n - 1;
  ViewState& v = engine.view;
  v.j = 2 * v.j - 1;
  v.cursorPoint = 2 * v.cursorPoint - 1;
  v.firstVisible = 1;
  v.lastVisible = d.n;
  NoteCountChanged(engine);
  return true;
}

bool LagMap(Engine& engine, int step) {
  DataSet& d = engine.data;
  ViewState& v = engine.view;
  const int base = engine.run.countAtLoad;
  int shift = v.mapShift + step;
  if (shift < 1 || shift > base - 2) {
    // At a limit the shift stays where it was, which is the clamped value
    // when a lag diagram is shown and 0 (none shown) otherwise.
    engine.host.Beep();
    return false;
  }
  v.mapShift = shift;
  d.n = base - shift;
  for (int i = 1; i <= d.n; ++i) d.t[i] = d.x[i + shift];
  d.tWidth = d.xWidth;
  d.tDecimals = d.xDecimals;
  v.lastVisible = std::min(v.lastVisible, d.n);
  v.j = std::max(1, std::min(v.j, d.n));
  v.cursorPoint = std::max(1, std::min(v.cursorPoint, d.n));
  return true;
}

double ClockTimeToDayFraction(double hhmmss, double offsetHours) {
  const double hh = std::floor(hhmmss / 10000);
  const double mm = std::floor(hhmmss / 100) - 100 * hh;
  const double ss = hhmmss - 10000 * hh - 100 * mm;
  double tau = hh + (mm + ss / 60) / 60 - 12 - offsetHours;
  if (tau < 0) tau += 24;
  return tau / 24;
}

bool CorrectTime(Engine& engine, double tau1, double correction1Seconds, double tau2,
                 double correction2Seconds) {
  if (tau1 == tau2) {
    engine.LogLine("!!! time correction refused: the two times are equal");
    return false;
  }
  const double rate = (correction2Seconds / 86400 - correction1Seconds / 86400) / (tau2 - tau1);
  const auto& t = engine.data.t;
  return MapT(engine, "time correction",
              [&t, tau1, rate](int i) { return t[i] + (t[i] - tau1) * rate; });
}

bool AskTimeCorrection(Engine& engine) {
  engine.console.SetPrompt("Time correction. UT+?");
  std::string first = engine.console.ReadText();
  if (first.find_first_not_of(' ') == std::string::npos) throw ProgramExit{0};
  auto offset = ParseNumber(first);
  if (!offset) {
    engine.LogLine("\"" + first + "\" is not a number; time correction cancelled");
    return false;
  }
  bool bad = false;
  auto time1 = AskOptional(engine, "Input First time to correct: hhmmss", bad);
  auto corr1 = AskOptional(engine, "Input First time correction in seconds [0]", bad);
  auto time2 = AskOptional(engine, "Input Second time to correct: hhmmss", bad);
  auto corr2 = AskOptional(engine, "Input Second time correction in seconds [0]", bad);
  if (bad) {
    engine.LogLine("time correction cancelled");
    return false;
  }
  const double tau1 = time1 ? ClockTimeToDayFraction(*time1, *offset) : 0.0;
  const double tau2 = time2 ? ClockTimeToDayFraction(*time2, *offset) : 0.0;
  return CorrectTime(engine, tau1, corr1.value_or(0.0), tau2, corr2.value_or(0.0));
}

}  // namespace teril

#include "smoothing/interpolation_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <system_error>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "plot/draw.h"

namespace teril {
namespace {

std::string Int(long long v) { return Str(v); }

// Asks `prompt` until the answer is empty (the default) or a number.
double AskValue(Engine& e, const std::string& prompt, double empty) {
  for (;;) {
    e.console.SetPrompt(prompt);
    std::string a = e.console.ReadText();
    if (a.empty()) return empty;
    if (auto v = ParseNumber(a)) return *v;
    e.LogLine("\"" + a + "\" is not a number");
  }
}

// Asks `prompt` until the answer is empty (the default) or an integer in
// lo..hi (a width of millions would make every line that long).
int AskInteger(Engine& e, const std::string& prompt, int empty, int lo, int hi) {
  for (;;) {
    e.console.SetPrompt(prompt);
    std::string a = e.console.ReadText();
    if (a.empty()) return empty;
    auto v = ParseInteger(a);
    if (v && *v >= lo && *v <= hi) return static_cast<int>(*v);
    e.LogLine("\"" + a + "\" is not a whole number from " + Int(lo) + " to " + Int(hi));
  }
}

}  // namespace

FourPoint FourPointAt(const DataSet& d, double a, int from, int* found) {
  FourPoint r;
  const int n = d.n;
  if (n < 4) {
    r.why = "fewer than 4 points (n=" + Int(n) + ")";
    return r;
  }
  int b = std::max(1, from);
  while (b < n && d.t[b] < a) ++b;
  if (found) *found = b;
  b -= 2;
  if (b > n - 3) b = n - 3;
  if (b < 1) b = 1;
  r.b = b;
  for (int k = 0; k < 4; ++k)
    for (int m = k + 1; m < 4; ++m)
      if (d.t[b + k] == d.t[b + m]) {
        r.why = "points " + Int(b + k) + " and " + Int(b + m) + " share the time " +
                General(d.t[b + k]);
        return r;
      }
  double v = 0;
  for (int k = 0; k < 4; ++k) {
    double p = d.x[b + k];
    for (int m = 0; m < 4; ++m)
      if (m != k) p *= (a - d.t[b + m]) / (d.t[b + k] - d.t[b + m]);
    v += p;
  }
  r.value = v;
  r.ok = true;
  return r;
}

namespace {

std::optional<double> LogFourPoint(Engine& e, double a, const FourPoint& r) {
  if (!r.ok) {
    e.LogLine("Interpolate4: no value at t=" + General(a) + ": " + r.why);
    return std::nullopt;
  }
  e.LogLine("V1=");
  e.LogLine(a);
  e.LogLine("V2=");
  e.LogLine(r.value);
  e.LogLine("K=");
  e.LogLine(r.b);
  e.LogLine("n=");
  e.LogLine(e.data.n);
  return r.value;
}

}  // namespace

std::optional<double> Interpolate4(Engine& e, double a) {
  return LogFourPoint(e, a, FourPointAt(e.data, a));
}

long long TableRows(double start, double step, double end) {
  if (!(start < end)) return 0;
  const double estimate = std::ceil((end - start) / step);
  if (!(estimate < 1e15)) return std::numeric_limits<long long>::max();
  long long k = static_cast<long long>(estimate);
  // The estimate may be one off either way after rounding; the rows are
  // those k with start + k step < end, exactly as the table forms them.
  while (k > 0 && !(start + static_cast<double>(k - 1) * step < end)) --k;
  while (start + static_cast<double>(k) * step < end) ++k;
  return k;
}

Continuation InterpolatedTableKey(Engine& e) {
  e.LogLine("Interpolation...");
  ClearPlot(e);
  e.LogLine("Printing the table of interpolated data");
  if (e.data.n < 4) {
    e.LogLine("The table needs at least 4 points; the data set has " + Int(e.data.n));
    return Continuation::Rescale;
  }
  const double start = AskValue(e, "Start=", 0);
  double step = 0;
  for (;;) {
    step = AskValue(e, "Step =", 1);
    if (step > 0) break;
    // A step of zero or below would never reach the end.
    e.LogLine("The step must be positive");
  }
  const double end = AskValue(e, "End  =", 0);
  const int j1 = AskInteger(e, "j1 =", 12, 0, 60);
  const int j2 = AskInteger(e, "j2 =", 6, 0, 30);
  const int j3 = AskInteger(e, "j3 =", 12, 0, 60);
  const int j4 = AskInteger(e, "j4 =", 6, 0, 30);
  std::string name;
  for (;;) {
    e.console.SetPrompt("Filename ");
    name = e.console.ReadText();
    if (name.empty()) name = "intertab.dat";
    if (!SameFile(name, e.run.inputFile)) break;
    e.LogLine(name + " is the data file; choose another name for the table");
  }

  const long long rows = TableRows(start, step, end);
  if (rows > MaxPoints) {
    e.LogLine("The table would have more than " + Int(MaxPoints) + " rows; choose a larger step");
    return Continuation::Rescale;
  }
  std::string text;
  ProgressScope progress(e.host);
  int scan = 1;
  for (long long k = 0; k < rows; ++k) {
    if (k % 1000 == 0 && k > 0 && !progress.Step(k, rows, "Interpolated table")) {
      // A part of a table must not replace a whole one written before.
      e.LogLine("The table was stopped after " + Int(k) + " of " + Int(rows) +
                " rows; " + name + " is not written");
      return Continuation::Rescale;
    }
    const double t = start + static_cast<double>(k) * step;
    auto v = LogFourPoint(e, t, FourPointAt(e.data, t, scan, &scan));
    if (v) text += Str(t, j1, j2) + Str(*v, j3, j4) + "\n";
  }
  WriteFileAtomic(name, text);
  e.console.FileWritten(name);
  return Continuation::Rescale;
}

}  // namespace teril

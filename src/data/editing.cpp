#include "data/editing.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/sort.h"
#include "engine/engine.h"

namespace teril {
namespace {

// How many of the deleted points lay before (or at) each of the view
// indices, gathered while compacting.
struct DeletedCounts {
  int beforeJ = 0;
  int beforeFirst = 0;
  int upToLast = 0;
  int beforeCursor = 0;
  int total = 0;
};

// Removes every point for which keep(i) is false, moving the later points
// down in order. Returns the counts needed to re-aim the view indices.
template <class Keep>
DeletedCounts Compact(Engine& engine, Keep keep) {
  DataSet& d = engine.data;
  const ViewState& v = engine.view;
  DeletedCounts c;
  int out = 0;
  for (int i = 1; i <= d.n; ++i) {
    if (keep(i)) {
      ++out;
      if (out != i) d.CopyPoint(i, out);
      continue;
    }
    ++c.total;
    if (i < v.j) ++c.beforeJ;
    if (i < v.firstVisible) ++c.beforeFirst;
    if (i <= v.lastVisible) ++c.upToLast;
    if (i < v.cursorPoint) ++c.beforeCursor;
  }
  d.n = out;
  return c;
}

int ClampIndex(int k, int n) { return std::max(1, std::min(k, std::max(n, 1))); }

// Re-aims the visible range and the cursor point at the points that are
// left, so that nothing drawn or analysed reads a slot beyond n.
void FixVisibleRange(Engine& engine, const DeletedCounts& c) {
  ViewState& v = engine.view;
  const int n = engine.data.n;
  v.firstVisible = ClampIndex(v.firstVisible - c.beforeFirst, n);
  v.lastVisible = std::min(v.lastVisible - c.upToLast, n);
  v.cursorPoint = ClampIndex(v.cursorPoint - c.beforeCursor, n);
}

bool IsSelectedObserver(const Engine& engine, int i) {
  return engine.data.observer[i] == engine.view.selectedObserver;
}

// Reads one border of the interval; nothing when the answer is empty or
// not a number.
std::optional<double> AskBorder(Engine& engine, const std::string& prompt) {
  engine.console.SetPrompt(prompt);
  std::string answer = engine.console.ReadText();
  if (answer.find_first_not_of(' ') == std::string::npos) return std::nullopt;
  auto v = ParseNumber(answer);
  if (!v) engine.LogLine("\"" + answer + "\" is not a number");
  return v;
}

}  // namespace

void NoteCountChanged(Engine& engine) {
  if (engine.view.mapShift == 0) engine.run.countAtLoad = engine.data.n;
}

std::string DiscardedLine(const Engine& engine, double t, double x, const ObserverCode& observer,
                          int code) {
  const DataSet& d = engine.data;
  return engine.run.inputFile + " " + Str(t, d.tWidth, d.tDecimals) +
         Joined(x, d.xWidth, d.xDecimals) + Str(static_cast<long long>(code), 3) + " " +
         observer.str() + "\n";
}

void LogDiscarded(Engine& engine, int code) {
  const DataSet& d = engine.data;
  const int j = engine.view.j;
  AppendToFile(kDiscardLogFile, DiscardedLine(engine, d.t[j], d.x[j], d.observer[j], code));
  engine.console.FileWritten(kDiscardLogFile);
  // Undo and Redo of this edit keep the discard log a true record.
  engine.history.NoteDiscard(code);
}

bool DeleteCurrentPoint(Engine& engine) {
  DataSet& d = engine.data;
  ViewState& v = engine.view;
  const int j = v.j;
  if (j < 1 || j > d.n) return false;
  // The log comes first: when it cannot be written the point stays.
  LogDiscarded(engine, -std::abs(engine.run.columnX));
  DeletedCounts c = Compact(engine, [j](int i) { return i != j; });
  FixVisibleRange(engine, c);
  engine.run.modified = true;
  NoteCountChanged(engine);
  if (engine.canvas) engine.canvas->Text(0, 40, "N=" + Str(static_cast<long long>(d.n), 4));
  return true;
}

int DeleteBadPoints(Engine& engine) {
  DataSet& d = engine.data;
  ViewState& v = engine.view;
  if (v.j < 1 || v.j > d.n) return 0;
  const double level = d.x[v.j];
  DeletedCounts c = Compact(engine, [&d, level](int i) { return d.x[i] != level; });
  FixVisibleRange(engine, c);
  // The current point itself is gone: the next point left takes its place.
  v.j = ClampIndex(v.j - c.beforeJ, d.n);
  NoteCountChanged(engine);
  return c.total;
}

int DeleteObserverPoints(Engine& engine) {
  DataSet& d = engine.data;
  ViewState& v = engine.view;
  DeletedCounts c = Compact(engine, [&engine](int i) { return !IsSelectedObserver(engine, i); });
  FixVisibleRange(engine, c);
  v.j = ClampIndex(v.j - c.beforeJ, d.n);
  engine.run.modified = true;
  NoteCountChanged(engine);
  engine.LogLine("removed " + v.selectedObserver.str() + " kk=" +
                 Str(static_cast<long long>(c.total)) + " n=" + Str(static_cast<long long>(d.n)));
  return c.total;
}

int DeleteObserverPointsByKey(Engine& engine) {
  DataSet& d = engine.data;
  ViewState& v = engine.view;
  engine.LogLine("LOG>>Deleting observer...");
  DeletedCounts c = Compact(engine, [&engine](int i) { return !IsSelectedObserver(engine, i); });
  FixVisibleRange(engine, c);
  v.j = ClampIndex(v.j - c.total, d.n);
  NoteCountChanged(engine);
  return c.total;
}

int KeepObserverPoints(Engine& engine) {
  DataSet& d = engine.data;
  ViewState& v = engine.view;
  Compact(engine, [&engine](int i) { return IsSelectedObserver(engine, i); });
  v.firstVisible = 1;
  v.lastVisible = d.n;
  v.j = 1;
  v.cursorPoint = 1;
  NoteCountChanged(engine);
  return d.n;
}

void ShortenToWindow(Engine& engine) {
  DataSet& d = engine.data;
  ViewState& v = engine.view;
  const int first = v.firstVisible, last = v.lastVisible;
  const double lo = v.tMin, hi = v.tMax;
  DeletedCounts c = Compact(
      engine, [&](int i) { return i >= first && i <= last && d.t[i] >= lo && d.t[i] <= hi; });
  v.j = ClampIndex(v.j - c.beforeJ, d.n);
  v.cursorPoint = ClampIndex(v.cursorPoint - c.beforeCursor, d.n);
  v.firstVisible = 1;
  v.lastVisible = d.n;
  engine.run.countAtLoad = d.n;
}

Continuation DeleteIntervalOfT(Engine& engine) {
  auto left = AskBorder(engine, " Left border for Delete ? ");
  if (!left) return Continuation::Rescale;
  auto right = AskBorder(engine, "Right border for Delete ? ");
  if (!right) return Continuation::Rescale;
  const DataSet& d = engine.data;
  std::string out;
  for (int i = 1; i <= d.n; ++i) {
    if (d.t[i] > *left && d.t[i] < *right) continue;
    if (d.phased)
      out += Str(d.t0[i], 11, 5) + " " + Str(d.x[i], 7, 5) + Str(d.t[i], 11, 5) + "\n";
    else
      out += Str(d.t[i], 11, 5) + " " + Str(d.x[i], 7, 5) + "\n";
  }
  WriteFileAtomic("Deleted.dat", out);
  engine.console.FileWritten("Deleted.dat");
  return Continuation::Reload;
}

bool InterpolateCurrentPoint(Engine& engine) {
  DataSet& d = engine.data;
  const int j = engine.view.j;
  if (!(j > 2 && j < d.n - 1)) return false;
  d.x[j] = (4 * (d.x[j - 1] + d.x[j + 1]) - d.x[j - 2] - d.x[j + 2]) / 6;
  LogDiscarded(engine, std::abs(engine.run.columnX));
  return true;
}

void DivideCurrentPoint(Engine& engine, int divisor) {
  const int j = engine.view.j;
  if (j < 1 || j > engine.data.n || divisor == 0) return;
  engine.data.x[j] /= divisor;
}

void StepCurrentPoint(Engine& engine, double delta) {
  ViewState& v = engine.view;
  if (v.j >= 1 && v.j <= engine.data.n) engine.data.x[v.j] += delta;
  v.j += 1;
  engine.run.deferRescale = true;
}

void ShiftFromCurrentPoint(Engine& engine, double delta) {
  DataSet& d = engine.data;
  for (int i = std::max(engine.view.j, 1); i <= d.n; ++i) d.x[i] += delta;
}

void SortByTime(Engine& engine) { ShellSortByTime(engine.data); }

std::string AverageFileName(const std::string& inputFile) {
  auto dot = inputFile.find_last_of('.');
  return (dot == std::string::npos ? inputFile : inputFile.substr(0, dot)) + "_1t.dat";
}

int AverageSameTimes(Engine& engine) {
  const DataSet& d = engine.data;
  const std::string name = AverageFileName(engine.run.inputFile);
  engine.host.MessageBox("The data with same arguments will be averaged\nand saved to the file " +
                         name);
  std::string out;
  int lines = 0;
  for (int i = 1; i <= d.n;) {
    int k = i;
    double sum = 0;
    std::string observers = " " + d.observer[i].str();
    for (; k <= d.n && d.t[k] == d.t[i]; ++k) {
      sum += d.x[k];
      if (k > i) observers = d.observer[k].str() + " " + observers;
    }
    const int count = k - i;
    // With two or more codes the list starts with a code, which would run
    // into the mean; a blank in front keeps the line readable.
    if (observers.front() != ' ') observers.insert(0, " ");
    out += Str(d.t[i], d.tWidth, d.tDecimals) + Joined(sum / count, d.xWidth, d.xDecimals) +
           observers + " " + Str(static_cast<long long>(count)) + "\n";
    ++lines;
    i = k;
  }
  WriteFileAtomic(name, out);
  engine.console.FileWritten(name);
  return lines;
}

void SwapTX(Engine& engine) {
  DataSet& d = engine.data;
  for (int i = 1; i <= d.n; ++i) std::swap(d.t[i], d.x[i]);
  std::swap(d.tWidth, d.xWidth);
  std::swap(d.tDecimals, d.xDecimals);
}

void SwapXS(Engine& engine) {
  DataSet& d = engine.data;
  for (int i = 1; i <= d.n; ++i) std::swap(d.x[i], d.s[i]);
}

}  // namespace teril

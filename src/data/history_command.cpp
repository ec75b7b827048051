#include "data/history_command.h"

#include <algorithm>
#include <cctype>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/editing.h"
#include "data/history.h"
#include "engine/engine.h"
#include "plot/view.h"

namespace teril {
namespace {

using Step = DataHistory::Step;
using Kind = DataHistory::Kind;

// Pairs each engine field with its field of HistoryScalars: f(engineField,
// scalarField). One list serves both directions.
template <class E, class S, class F>
void EachScalar(E& e, S& s, F&& f) {
  f(e.data.tWidth, s.tWidth);
  f(e.data.tDecimals, s.tDecimals);
  f(e.data.xWidth, s.xWidth);
  f(e.data.xDecimals, s.xDecimals);
  f(e.data.headerText, s.headerText);
  f(e.data.phased, s.phased);
  f(e.data.weightsLoaded, s.weightsLoaded);
  f(e.run.flags.lgT, s.lgT);
  f(e.run.flags.powT, s.powT);
  f(e.run.flags.lgX, s.lgX);
  f(e.run.flags.powX, s.powX);
  f(e.run.flags.intensityToMagnitude, s.intensityToMagnitude);
  f(e.run.flags.magnitudeToIntensity, s.magnitudeToIntensity);
  f(e.run.savedXWidth, s.savedXWidth);
  f(e.run.savedXDecimals, s.savedXDecimals);
  f(e.run.magnitudeRefUsed, s.magnitudeRefUsed);
  f(e.run.intensityRefUsed, s.intensityRefUsed);
  f(e.run.countAtLoad, s.countAtLoad);
  f(e.view.mapShift, s.mapShift);
  f(e.run.modified, s.modified);
  f(e.checks.swapTX, s.swapTX);
  f(e.checks.swapXS, s.swapXS);
  f(e.checks.sorted, s.sorted);
  f(e.checks.phase, s.phase);
  f(e.checks.inverseX, s.inverseX);
  f(e.checks.lgT, s.checkLgT);
  f(e.checks.lgX, s.checkLgX);
  f(e.checks.pow10T, s.pow10T);
  f(e.checks.pow10X, s.pow10X);
  f(e.checks.magToInt, s.magToInt);
  f(e.checks.intToMag, s.intToMag);
  f(e.checks.reciprocalT, s.reciprocalT);
  f(e.line.lineCoefA, s.lineCoefA);
  f(e.line.lineCoefB, s.lineCoefB);
  f(e.line.lineCoefC, s.lineCoefC);
  f(e.line.lineApplied, s.lineApplied);
  f(e.eph.epochT0, s.epochT0);
  f(e.eph.period, s.period);
  f(e.eph.frequency, s.frequency);
  f(e.eph.Q, s.Q);
  f(e.timeSystem.current, s.timeSystem);
}

std::string Points(long long count) { return Str(count) + (count == 1 ? " point" : " points"); }

void LogDropped(Engine& e) {
  for (const std::string& label : e.history.TakeDropped())
    e.LogLine("Undo history full: the step of " + (label.empty() ? "an edit" : label) +
              " is dropped");
}

// What the step did, as Undo or Redo says it.
std::string Effect(const Step& step, bool undo, int n) {
  const std::string count = ", n=" + Str(static_cast<long long>(n));
  switch (step.kind) {
    case Kind::Settings:
      return undo ? "the flags of the data as before" : "the flags of the data as after the edit";
    case Kind::Delete: {
      const auto m = static_cast<long long>(step.removed.size());
      return undo ? Points(m) + " back" + count : Points(m) + " deleted again" + count;
    }
    case Kind::Replace:
      return (undo ? "the data set as before" : "the data set replaced again") + count;
    case Kind::Patch:
      break;
  }
  static const char* const kNames[] = {"t", "x", "s", "t as loaded", "observer codes"};
  std::string columns;
  int low = 0, high = 0;
  for (int k = 0; k < DataHistory::kColumns; ++k) {
    if (step.count[k] == 0) continue;
    columns += (columns.empty() ? "" : ", ") + std::string(kNames[k]);
    const int last = step.first[k] + step.count[k] - 1;
    low = low == 0 ? step.first[k] : std::min(low, step.first[k]);
    high = std::max(high, last);
  }
  const std::string where = low == high ? " (point " + Str(static_cast<long long>(low)) + ")"
                                        : " (points " + Str(static_cast<long long>(low)) + ".." +
                                              Str(static_cast<long long>(high)) + ")";
  return columns + (undo ? " as before" : " changed again") + where;
}

// The lines the step writes to the discard log before it is applied: the
// points with the values they are about to take, with code 0 when an edit
// is undone and the edit's own code when it is done again.
void WriteDiscardLines(Engine& e, const Step& step, bool undo) {
  const int code = undo ? 0 : step.discardCode;
  const PointColumns& o = step.other;
  std::string text;
  if (step.kind == Kind::Delete) {
    for (std::size_t q = 0; q < step.removed.size(); ++q)
      text += DiscardedLine(e, o.t[q], o.x[q], o.observer[q], code);
  } else if (step.kind == Kind::Patch && step.count[1] > 0) {
    const DataSet& d = e.data;
    for (int i = step.first[1]; i < step.first[1] + step.count[1]; ++i) {
      const bool tKept = i >= step.first[0] && i < step.first[0] + step.count[0];
      const double t = tKept ? o.t[i - step.first[0]] : d.t[i];
      text += DiscardedLine(e, t, o.x[i - step.first[1]], d.observer[i], code);
    }
  }
  if (!text.empty()) {
    AppendToFile(kDiscardLogFile, text);
    e.console.FileWritten(kDiscardLogFile);
  }
}

// The index of the same point after the step, or the nearest one left.
int SamePoint(const Step& step, bool undo, int j, int n) {
  if (step.kind == Kind::Delete) {
    if (undo) {
      for (int at : step.removed)
        if (at <= j) ++j;
    } else {
      j -= static_cast<int>(std::lower_bound(step.removed.begin(), step.removed.end(), j) -
                            step.removed.begin());
    }
  }
  return std::clamp(j, 1, std::max(n, 1));
}

bool CountVisible(Engine& e) {
  ViewState& v = e.view;
  const DataSet& d = e.data;
  int first = 0, last = 0;
  for (int i = 1; i <= d.n; ++i) {
    if (v.tMin <= d.t[i] && d.t[i] <= v.tMax) {
      if (first == 0) first = i;
      last = i;
    }
  }
  v.firstVisible = first;
  v.lastVisible = last;
  return first != 0;
}

// Redraws the plot: the window stays where the times stayed; new times
// (or phases) are shown whole, as their commands show them.
void Show(Engine& e, const Step& step) {
  const bool tChanged = step.kind == Kind::Replace || (step.kind == Kind::Patch && step.count[0]) ||
                        step.before.phased != step.after.phased;
  const bool nChanged = step.kind == Kind::Delete || step.kind == Kind::Replace;
  ViewState& v = e.view;
  if (tChanged && e.data.phased) {
    v.tMin = -0.5;
    v.tMax = 0.5;
    v.tCentre = 0;
  } else if (tChanged) {
    ResetView(e);
    return;
  }
  if ((tChanged || nChanged) && !CountVisible(e)) {
    ResetView(e);
    return;
  }
  RescaleSignal(e);
}

void ApplyStep(Engine& e, bool undo) {
  DataHistory& h = e.history;
  const std::string nothing = undo ? "Nothing to undo" : "Nothing to redo";
  if (!h.active()) {
    e.LogLine(nothing);
    return;
  }
  // Edits made in this wait by an item that took no step of its own. The
  // key loop and the items that edit take their steps themselves, so the
  // comparison is needed only when another command ran since.
  if (h.commandsSinceCommit() > 1) {
    h.SetLabel("");
    CommitEdits(e, true);
  }
  const Step* next = undo ? h.NextUndo() : h.NextRedo();
  if (!next) {
    e.LogLine(nothing);
    return;
  }
  // The discard log first: when it cannot be written, nothing changes.
  if (next->discardCode != 0) WriteDiscardLines(e, *next, undo);
  HistoryScalars s = CaptureHistoryScalars(e);
  const Step* step = undo ? h.Undo(e.data, s) : h.Redo(e.data, s);
  RestoreHistoryScalars(e, s);
  ViewState& v = e.view;
  v.j = SamePoint(*step, undo, v.j, e.data.n);
  v.cursorPoint = v.j;
  e.run.deferRescale = false;
  e.LogLine(std::string(undo ? "Undo " : "Redo ") + (step->label.empty() ? "" : step->label) +
            (step->label.empty() ? "" : ": ") + Effect(*step, undo, e.data.n));
  Show(e, *step);
  // The redraw fits the print widths to the window; the state reached keeps
  // its own.
  e.data.tWidth = s.tWidth;
  e.data.xWidth = s.xWidth;
  h.Settle(CaptureHistoryScalars(e));
  LogDropped(e);
}

}  // namespace

HistoryScalars CaptureHistoryScalars(const Engine& engine) {
  HistoryScalars s;
  EachScalar(engine, s, [](const auto& field, auto& kept) { kept = field; });
  return s;
}

void RestoreHistoryScalars(Engine& engine, const HistoryScalars& scalars) {
  EachScalar(engine, scalars, [](auto& field, const auto& kept) { field = kept; });
}

void StartHistory(Engine& engine) {
  engine.history.Start(engine.data, CaptureHistoryScalars(engine));
}

void EndHistory(Engine& engine, bool reload) {
  DataHistory& h = engine.history;
  if (reload && h.active() && h.size() > 0) engine.LogLine("The reload clears the undo history");
  h.Clear();
}

void CommitEdits(Engine& engine, bool settle) {
  if (!engine.history.active()) return;
  engine.history.Commit(engine.data, CaptureHistoryScalars(engine), settle);
  LogDropped(engine);
}

void NoteSaved(Engine& engine) {
  if (!engine.history.active()) return;
  CommitEdits(engine, true);
  engine.history.MarkSaved();
}

void UndoCommand(Engine& engine) { ApplyStep(engine, true); }
void RedoCommand(Engine& engine) { ApplyStep(engine, false); }

std::string KeyLabel(char key, char extChar) {
  auto name = [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32) return "^" + std::string(1, static_cast<char>(c + 64));
    if (c == ' ' || c >= 127) return "#" + Str(static_cast<long long>(c));
    return std::string(1, ch);
  };
  if (key == '~') return "key ~" + name(extChar);
  if (key == 'Q' || key == 'q') return "key Q" + name(extChar);
  return "key " + name(key);
}

}  // namespace teril

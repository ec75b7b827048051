// The undo history of the data set: each edit of the points, or of the
// settings that say what they hold, is one step that can be undone and
// redone exactly, bit for bit.
//
// The history keeps the points as they were at the last commit (the
// reference copy). A commit compares the data set with it and keeps only
// what changed, as it was:
//   - Patch: the same number of points; for each column that changed, the
//     run of values from its first to its last change (one interpolated
//     point: one value; a transformation of x: the x column);
//   - Delete: fewer points, the others unchanged and in order; the
//     positions and values of the points that went;
//   - Replace: anything else (a result that replaced the data set, points
//     added); the whole columns.
//   - Settings: only the settings changed (the transformation flags).
// Undo and redo exchange the kept values with the data set, so a step
// holds one version of what it changed whichever way it was last applied.
// The settings (print format, flags, check marks, ephemeris, ...) are
// restored field by field where the step changed them.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "data/data_set.h"
#include "timescales/time_system_state.h"

namespace teril {

struct HistoryLimits {
  std::size_t maxSteps = 1000;        // never fewer than 100 by default
  std::size_t maxBytes = 256u << 20;  // 256 MB of kept values
};

// The settings that belong to the data set as it stands: filled from the
// engine and written back to it by the history's command side.
struct HistoryScalars {
  // The data set's print format and what its columns hold.
  int tWidth = 0, tDecimals = 0, xWidth = 0, xDecimals = 0;
  std::string headerText;
  bool phased = false, weightsLoaded = false;
  // Transformation flags of the keys and what the toggles remember.
  bool lgT = false, powT = false, lgX = false, powX = false;
  bool intensityToMagnitude = false, magnitudeToIntensity = false;
  int savedXWidth = 0, savedXDecimals = 0;
  double magnitudeRefUsed = 0, intensityRefUsed = 1;
  int countAtLoad = 0;
  int mapShift = 0;  // the lag of a lag diagram in t; 0: none
  // The menu's check marks of the transformations.
  bool swapTX = false, swapXS = false, sorted = false, phase = false, inverseX = false;
  bool checkLgT = false, checkLgX = false, pow10T = false, pow10X = false;
  bool magToInt = false, intToMag = false, reciprocalT = false;
  // The linear transformation of the signal.
  double lineCoefA = 0, lineCoefB = 1, lineCoefC = 0;
  bool lineApplied = false;
  // The ephemeris: the phases in t follow it.
  double epochT0 = 0, period = 1, frequency = 1, Q = 0;
  // The time system of t after a conversion.
  std::optional<TimeSystem> timeSystem;
  // Unsaved edits. Not restored field by field: the history knows it for
  // each of its states.
  bool modified = false;

  // True when the fields that say what the points hold are the same: a
  // change of one of them alone is an edit (a change of the print format or
  // of a check mark alone is not).
  bool SameMeaning(const HistoryScalars& other) const;
  // Every field but `modified` that differs between `from` and `to` is set
  // to its value in `to`.
  void ApplyChange(const HistoryScalars& from, const HistoryScalars& to);
};

// The columns of a number of points, 0-based.
struct PointColumns {
  std::vector<double> t, x, s, t0;
  std::vector<ObserverCode> observer;
  std::size_t Bytes() const;
};

class DataHistory {
 public:
  enum class Kind { Settings, Patch, Delete, Replace };
  static constexpr int kColumns = 5;  // t, x, s, t0, observer

  struct Step {
    Kind kind = Kind::Settings;
    std::string label;    // the command: "key 5", "Sort" (a menu item's caption)
    int discardCode = 0;  // the code of the lines the edit wrote to the discard log; 0: none
    HistoryScalars before, after;
    bool modifiedAfter = false;  // `modified` of the state the step leads to
    // Patch: column k holds `count[k]` values from point first[k] on
    // (1-based; count 0: unchanged).
    std::array<int, kColumns> first{}, count{};
    // Delete: positions of the removed points in the longer state
    // (1-based, ascending).
    std::vector<int> removed;
    // Patch: the runs; Delete: the removed points; Replace: every point.
    // Each holds the version the data set does not hold now.
    PointColumns other;
    int pointsBefore = 0, pointsAfter = 0;
    std::size_t Bytes() const;
  };

  explicit DataHistory(HistoryLimits limits = {}) : limits_(limits) {}

  // A new history for a data set just loaded.
  void Start(const DataSet& d, const HistoryScalars& scalars);
  // No history (and no reference copy) until the next Start.
  void Clear();
  bool active() const { return active_; }
  void SetLimits(HistoryLimits limits);
  const HistoryLimits& limits() const { return limits_; }

  // What the next step records: set when a command starts.
  void SetLabel(std::string label) { label_ = std::move(label); }
  const std::string& label() const { return label_; }
  // A menu command started; commands since the last commit.
  void NoteCommand() { ++commandsSinceCommit_; }
  int commandsSinceCommit() const { return commandsSinceCommit_; }
  // The edit wrote lines with this code to the discard log.
  void NoteDiscard(int code) { discardCode_ = code; }

  // Records what changed since the last commit as one step; true when a
  // step was made (and kept within the limits). `settle`: the settings as they are become the
  // reference even when no step is made (the key loop's own wait); a menu
  // item that toggles a check mark before its key arrives passes false.
  bool Commit(const DataSet& d, const HistoryScalars& now, bool settle);

  bool CanUndo() const { return cursor_ > 0; }
  bool CanRedo() const { return cursor_ < steps_.size(); }
  // The step that Undo / Redo would apply; null when none.
  const Step* NextUndo() const { return CanUndo() ? &steps_[cursor_ - 1] : nullptr; }
  const Step* NextRedo() const { return CanRedo() ? &steps_[cursor_] : nullptr; }
  // Apply the step to the data set and to `scalars` (which must hold the
  // data set's settings as they are); `modified` is set to that of the
  // state reached. The data set must be as the last commit, undo or redo
  // left it.
  // Return the step applied (valid until the next commit), or null.
  const Step* Undo(DataSet& d, HistoryScalars& scalars);
  const Step* Redo(DataSet& d, HistoryScalars& scalars);
  // The settings as they are after the view was redrawn.
  void Settle(const HistoryScalars& scalars) { reference_ = scalars; }

  // The data set was saved: its present state is the saved one, every
  // other state holds unsaved edits.
  void MarkSaved();

  std::size_t size() const { return steps_.size(); }
  std::size_t position() const { return cursor_; }
  std::size_t bytes() const { return bytes_; }
  // Labels of the steps dropped to keep within the limits since the last
  // call.
  std::vector<std::string> TakeDropped();

 private:
  void Push(Step step);
  void Enforce(const Step* keep);
  void SetModifiedAt(std::size_t position, bool modified);
  bool ModifiedAt(std::size_t position) const;
  void Exchange(Step& step, DataSet& d, bool undo);
  // Brings the reference copy up to the data set after undone or redone
  // deletions.
  void CatchUp();

  HistoryLimits limits_;
  bool active_ = false;
  PointColumns shadow_;  // the points at the last commit (see CatchUp)
  struct PendingDelete {
    const Step* step;
    bool undo;
  };
  std::vector<PendingDelete> pending_;  // deletions applied to the data set only
  HistoryScalars reference_;
  bool baseModified_ = false;
  std::deque<Step> steps_;
  std::size_t cursor_ = 0;  // steps applied
  std::size_t bytes_ = 0;
  std::string label_;
  int commandsSinceCommit_ = 0;
  int discardCode_ = 0;
  std::vector<std::string> dropped_;
};

}  // namespace teril

#include "data/history.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace teril {
namespace {

static_assert(sizeof(ObserverCode) == 4 && std::is_trivially_copyable_v<ObserverCode>,
              "observer codes are compared byte for byte");

// Bit for bit: -0 differs from 0 and a NaN equals itself, so that a value
// given back is the value that was there.
template <class T>
bool Same(const T& a, const T& b) {
  if constexpr (std::is_trivially_copyable_v<T>) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
  } else {
    return a == b;
  }
}

bool Same(const std::optional<TimeSystem>& a, const std::optional<TimeSystem>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  return a->scale == b->scale && a->place == b->place && a->reference == b->reference;
}

// Calls f(k, a.column, b.column) for the five columns, k being the
// column's index in DataHistory::Step.
template <class A, class B, class F>
void EachColumn(A& a, B& b, F&& f) {
  f(0, a.t, b.t);
  f(1, a.x, b.x);
  f(2, a.s, b.s);
  f(3, a.t0, b.t0);
  f(4, a.observer, b.observer);
}

// The same with a third set of columns.
template <class A, class B, class C, class F>
void EachColumn(A& a, B& b, C& c, F&& f) {
  f(0, a.t, b.t, c.t);
  f(1, a.x, b.x, c.x);
  f(2, a.s, b.s, c.s);
  f(3, a.t0, b.t0, c.t0);
  f(4, a.observer, b.observer, c.observer);
}

// Puts the points `values` back at the 1-based positions `at` (ascending)
// of the `shorter` points from base[0] on, moving the others up.
template <class T>
void InsertPoints(T* base, int shorter, const std::vector<int>& at, const std::vector<T>& values) {
  int src = shorter;
  int dst = shorter + static_cast<int>(at.size());
  for (int q = static_cast<int>(at.size()) - 1; q >= 0; --q) {
    const int pos = at[q];
    const int moved = dst - pos;
    std::copy_backward(base + src - moved, base + src, base + dst);
    src -= moved;
    base[pos - 1] = values[q];
    dst = pos - 1;
  }
}

// Removes the points at the 1-based positions `at` (ascending) of the
// `longer` points from base[0] on, moving the others down in order.
template <class T>
void RemovePoints(T* base, int longer, const std::vector<int>& at) {
  if (at.empty()) return;
  int out = at[0];
  for (std::size_t q = 0; q < at.size(); ++q) {
    const int from = at[q] + 1;
    const int to = q + 1 < at.size() ? at[q + 1] - 1 : longer;
    if (to < from) continue;
    std::copy(base + from - 1, base + to, base + out - 1);
    out += to - from + 1;
  }
}

template <class T>
std::size_t VectorBytes(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

// The points 1..n of the data set, 0-based.
void CopyPoints(const DataSet& d, PointColumns& c) {
  EachColumn(d, c, [n = d.n](int, const auto& from, auto& to) {
    to.assign(from.begin() + 1, from.begin() + 1 + n);
  });
}

void WritePoints(const PointColumns& c, DataSet& d) {
  EachColumn(d, c, [](int, auto& to, const auto& from) {
    std::copy(from.begin(), from.end(), to.begin() + 1);
  });
  d.n = static_cast<int>(c.t.size());
}

// The data set holds the reference copy with the points at `at` removed.
// Greedy matching finds such positions whenever there are any.
bool FindRemoved(const PointColumns& longer, const DataSet& d, std::vector<int>& at) {
  const int nLong = static_cast<int>(longer.t.size()), nShort = d.n;
  int k = 1;
  at.clear();
  for (int i = 0; i < nLong; ++i) {
    if (k <= nShort && Same(longer.t[i], d.t[k]) && Same(longer.x[i], d.x[k]) &&
        Same(longer.s[i], d.s[k]) && Same(longer.t0[i], d.t0[k]) &&
        Same(longer.observer[i], d.observer[k])) {
      ++k;
      continue;
    }
    at.push_back(i + 1);
    if (static_cast<int>(at.size()) > nLong - nShort) return false;
  }
  return k == nShort + 1;
}

}  // namespace

bool HistoryScalars::SameMeaning(const HistoryScalars& o) const {
  return phased == o.phased && weightsLoaded == o.weightsLoaded && lgT == o.lgT && powT == o.powT &&
         lgX == o.lgX && powX == o.powX && intensityToMagnitude == o.intensityToMagnitude &&
         magnitudeToIntensity == o.magnitudeToIntensity && lineApplied == o.lineApplied &&
         Same(timeSystem, o.timeSystem);
}

void HistoryScalars::ApplyChange(const HistoryScalars& from, const HistoryScalars& to) {
  auto take = [&](auto HistoryScalars::*field) {
    if (!Same(from.*field, to.*field)) this->*field = to.*field;
  };
  using H = HistoryScalars;
  take(&H::tWidth), take(&H::tDecimals), take(&H::xWidth), take(&H::xDecimals);
  take(&H::headerText), take(&H::phased), take(&H::weightsLoaded);
  take(&H::lgT), take(&H::powT), take(&H::lgX), take(&H::powX);
  take(&H::intensityToMagnitude), take(&H::magnitudeToIntensity);
  take(&H::savedXWidth), take(&H::savedXDecimals);
  take(&H::magnitudeRefUsed), take(&H::intensityRefUsed), take(&H::countAtLoad);
  take(&H::mapShift);
  take(&H::swapTX), take(&H::swapXS), take(&H::sorted), take(&H::phase), take(&H::inverseX);
  take(&H::checkLgT), take(&H::checkLgX), take(&H::pow10T), take(&H::pow10X);
  take(&H::magToInt), take(&H::intToMag), take(&H::reciprocalT);
  take(&H::lineCoefA), take(&H::lineCoefB), take(&H::lineCoefC), take(&H::lineApplied);
  take(&H::epochT0), take(&H::period), take(&H::frequency), take(&H::Q);
  take(&H::timeSystem);
}

std::size_t PointColumns::Bytes() const {
  return VectorBytes(t) + VectorBytes(x) + VectorBytes(s) + VectorBytes(t0) + VectorBytes(observer);
}

std::size_t DataHistory::Step::Bytes() const {
  return sizeof(Step) + other.Bytes() + VectorBytes(removed) + label.capacity() +
         before.headerText.capacity() + after.headerText.capacity();
}

void DataHistory::Start(const DataSet& d, const HistoryScalars& scalars) {
  Clear();
  active_ = true;
  CopyPoints(d, shadow_);
  reference_ = scalars;
  baseModified_ = scalars.modified;
}

void DataHistory::Clear() {
  active_ = false;
  shadow_ = PointColumns();
  pending_.clear();
  steps_.clear();
  cursor_ = 0;
  bytes_ = 0;
  label_.clear();
  commandsSinceCommit_ = 0;
  discardCode_ = 0;
  dropped_.clear();
}

void DataHistory::SetLimits(HistoryLimits limits) {
  limits_ = limits;
  Enforce(nullptr);
}

bool DataHistory::Commit(const DataSet& d, const HistoryScalars& now, bool settle) {
  if (!active_) return false;
  commandsSinceCommit_ = 0;
  CatchUp();
  const int nBefore = static_cast<int>(shadow_.t.size());
  Step step;
  step.pointsBefore = nBefore;
  step.pointsAfter = d.n;
  bool changed = false;
  if (d.n == nBefore) {
    EachColumn(d, shadow_, step.other, [&](int k, const auto& now, auto& was, auto& kept) {
      using T = typename std::decay_t<decltype(was)>::value_type;
      const T* a = now.data() + 1;
      T* b = was.data();
      if (nBefore == 0 || std::memcmp(a, b, sizeof(T) * nBefore) == 0) return;
      int first = 0, last = nBefore - 1;
      while (Same(a[first], b[first])) ++first;
      while (Same(a[last], b[last])) --last;
      kept.assign(b + first, b + last + 1);
      std::copy(a + first, a + last + 1, b + first);
      step.first[k] = first + 1;
      step.count[k] = last - first + 1;
      changed = true;
    });
    if (changed) step.kind = Kind::Patch;
  } else if (d.n < nBefore && FindRemoved(shadow_, d, step.removed)) {
    step.kind = Kind::Delete;
    EachColumn(shadow_, step.other, [&](int, auto& was, auto& kept) {
      kept.reserve(step.removed.size());
      for (int at : step.removed) kept.push_back(was[at - 1]);
      RemovePoints(was.data(), nBefore, step.removed);
      was.resize(d.n);
    });
    changed = true;
  } else {
    step.kind = Kind::Replace;
    step.removed.clear();
    step.other = std::move(shadow_);
    shadow_ = PointColumns();
    CopyPoints(d, shadow_);
    changed = true;
  }
  if (!changed && now.SameMeaning(reference_)) {
    if (settle) {
      // The present state is as it is now (a check mark, the print format
      // after a redraw): redoing the step that led here gives it so.
      reference_ = now;
      if (cursor_ > 0) steps_[cursor_ - 1].after = now;
      SetModifiedAt(cursor_, now.modified);
      discardCode_ = 0;
    }
    return false;
  }
  step.label = label_;
  step.discardCode = discardCode_;
  discardCode_ = 0;
  step.before = reference_;
  step.after = now;
  step.modifiedAfter = now.modified;
  reference_ = now;
  Push(std::move(step));
  return !steps_.empty();
}

void DataHistory::Push(Step step) {
  // A new edit after undoing: the undone steps cannot be redone any more.
  while (steps_.size() > cursor_) {
    bytes_ -= steps_.back().Bytes();
    steps_.pop_back();
  }
  bytes_ += step.Bytes();
  steps_.push_back(std::move(step));
  cursor_ = steps_.size();
  Enforce(nullptr);
}

void DataHistory::Enforce(const Step* keep) {
  // A deque keeps the address of every step it does not remove, so `keep`
  // stays valid; the reference copy catches up before a step it waits for
  // can go.
  if (steps_.size() > limits_.maxSteps || bytes_ > limits_.maxBytes) CatchUp();
  while (!steps_.empty() && (steps_.size() > limits_.maxSteps || bytes_ > limits_.maxBytes)) {
    if (cursor_ > 0 && &steps_.front() != keep) {
      // The oldest applied step: the state after it becomes the first.
      baseModified_ = steps_.front().modifiedAfter;
      bytes_ -= steps_.front().Bytes();
      dropped_.push_back(steps_.front().label);
      steps_.pop_front();
      --cursor_;
    } else if (steps_.size() > cursor_ && &steps_.back() != keep) {
      // Nothing older to drop: the step furthest ahead goes.
      bytes_ -= steps_.back().Bytes();
      dropped_.push_back(steps_.back().label);
      steps_.pop_back();
    } else {
      break;
    }
  }
}

void DataHistory::CatchUp() {
  for (const PendingDelete& p : pending_) {
    const Step& step = *p.step;
    const int shorter = step.pointsAfter, longer = step.pointsBefore;
    EachColumn(shadow_, step.other, [&](int, auto& was, const auto& kept) {
      if (p.undo) {
        was.resize(longer);
        InsertPoints(was.data(), shorter, step.removed, kept);
      } else {
        RemovePoints(was.data(), longer, step.removed);
        was.resize(shorter);
      }
    });
  }
  pending_.clear();
}

void DataHistory::Exchange(Step& step, DataSet& d, bool undo) {
  if (step.kind != Kind::Delete) CatchUp();
  switch (step.kind) {
    case Kind::Settings:
      break;
    case Kind::Patch:
      EachColumn(d, shadow_, step.other, [&](int k, auto& now, auto& was, auto& kept) {
        if (step.count[k] == 0) return;
        auto* a = now.data() + step.first[k];
        std::swap_ranges(a, a + step.count[k], kept.begin());
        std::copy(a, a + step.count[k], was.data() + step.first[k] - 1);
      });
      break;
    case Kind::Delete: {
      const int shorter = step.pointsAfter, longer = step.pointsBefore;
      EachColumn(d, step.other, [&](int, auto& now, const auto& kept) {
        if (undo)
          InsertPoints(now.data() + 1, shorter, step.removed, kept);
        else
          RemovePoints(now.data() + 1, longer, step.removed);
      });
      d.n = undo ? longer : shorter;
      // The reference copy follows at the next commit: an undo moves the
      // points once, not twice.
      pending_.push_back({&step, undo});
      break;
    }
    case Kind::Replace:
      bytes_ -= step.Bytes();
      std::swap(step.other, shadow_);
      WritePoints(shadow_, d);
      bytes_ += step.Bytes();
      break;
  }
}

const DataHistory::Step* DataHistory::Undo(DataSet& d, HistoryScalars& scalars) {
  if (!active_ || !CanUndo()) return nullptr;
  Step& step = steps_[cursor_ - 1];
  Exchange(step, d, true);
  scalars.ApplyChange(step.after, step.before);
  --cursor_;
  scalars.modified = ModifiedAt(cursor_);
  reference_ = scalars;
  Enforce(&step);
  return &step;
}

const DataHistory::Step* DataHistory::Redo(DataSet& d, HistoryScalars& scalars) {
  if (!active_ || !CanRedo()) return nullptr;
  Step& step = steps_[cursor_];
  Exchange(step, d, false);
  scalars.ApplyChange(step.before, step.after);
  ++cursor_;
  scalars.modified = ModifiedAt(cursor_);
  reference_ = scalars;
  Enforce(&step);
  return &step;
}

bool DataHistory::ModifiedAt(std::size_t position) const {
  return position == 0 ? baseModified_ : steps_[position - 1].modifiedAfter;
}

void DataHistory::SetModifiedAt(std::size_t position, bool modified) {
  if (position == 0)
    baseModified_ = modified;
  else
    steps_[position - 1].modifiedAfter = modified;
}

void DataHistory::MarkSaved() {
  if (!active_) return;
  baseModified_ = true;
  for (Step& s : steps_) s.modifiedAfter = true;
  SetModifiedAt(cursor_, false);
  reference_.modified = false;
}

std::vector<std::string> DataHistory::TakeDropped() {
  std::vector<std::string> out;
  out.swap(dropped_);
  return out;
}

}  // namespace teril

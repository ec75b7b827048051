// The undo history without the engine: random edits undone to the start
// and redone to the end bit for bit, the memory bound, and which states
// count as unsaved.
#include "data/history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace teril {
namespace {

// The points 1..n and the settings, as plain values.
struct State {
  std::vector<std::uint64_t> t, x, s, t0;  // bit patterns: -0 and 0 differ
  std::vector<std::string> observer;
  int xWidth = 0;
  bool lgX = false, phase = false, modified = false;
  double period = 0;

  bool operator==(const State&) const = default;
};

State Take(const DataSet& d, const HistoryScalars& sc) {
  State st;
  for (int i = 1; i <= d.n; ++i) {
    st.t.push_back(std::bit_cast<std::uint64_t>(d.t[i]));
    st.x.push_back(std::bit_cast<std::uint64_t>(d.x[i]));
    st.s.push_back(std::bit_cast<std::uint64_t>(d.s[i]));
    st.t0.push_back(std::bit_cast<std::uint64_t>(d.t0[i]));
    st.observer.push_back(d.observer[i].str());
  }
  st.xWidth = sc.xWidth;
  st.lgX = sc.lgX;
  st.phase = sc.phase;
  st.modified = sc.modified;
  st.period = sc.period;
  return st;
}

class HistoryTest : public ::testing::Test {
 protected:
  std::unique_ptr<DataSet> d = std::make_unique<DataSet>();
  HistoryScalars sc;
  std::mt19937_64 rng{20240611};

  double Uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); }
  int Index(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng); }

  void RandomPoints(int n) {
    d->n = n;
    for (int i = 1; i <= n; ++i) {
      d->t[i] = d->t0[i] = 2450000 + i + Uniform(0, 0.5);
      d->x[i] = Uniform(10, 13);
      d->s[i] = Uniform(0.001, 0.1);
      d->observer[i] = ObserverCode(std::string(1, static_cast<char>('A' + i % 5)));
    }
  }

  // One random edit of the kinds the commands make.
  void RandomEdit() {
    DataSet& D = *d;
    const int n = D.n;
    switch (Index(0, 7)) {
      case 0: {  // delete some points
        if (n < 3) return RandomPoints(50);
        const int count = Index(1, std::min(5, n - 1));
        for (int c = 0; c < count; ++c) {
          const int at = Index(1, D.n);
          for (int i = at; i < D.n; ++i) D.CopyPoint(i + 1, i);
          --D.n;
        }
        sc.modified = true;
        break;
      }
      case 1: {  // one value replaced
        if (n < 1) return RandomPoints(50);
        D.x[Index(1, n)] = Uniform(-1, 1);
        break;
      }
      case 2:  // a transformation of x that cannot be inverted exactly
        for (int i = 1; i <= n; ++i) D.x[i] = std::log10(std::fabs(D.x[i]) + 1e-3);
        sc.lgX = !sc.lgX;
        sc.xWidth = Index(5, 12);
        break;
      case 3: {  // sort by x (whole points move)
        std::vector<int> order(n);
        std::iota(order.begin(), order.end(), 1);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return D.x[a] < D.x[b]; });
        auto keep = [n](const auto& v) { return std::vector(v.begin(), v.begin() + n + 1); };
        const auto t = keep(D.t), x = keep(D.x), s = keep(D.s), t0 = keep(D.t0);
        const auto o = keep(D.observer);
        for (int i = 1; i <= n; ++i) {
          const int k = order[i - 1];
          D.t[i] = t[k], D.x[i] = x[k], D.s[i] = s[k], D.t0[i] = t0[k], D.observer[i] = o[k];
        }
        sc.phase = !sc.phase;
        break;
      }
      case 4:  // a result replaces the data set (another count)
        RandomPoints(Index(1, 80));
        sc.modified = false;
        break;
      case 5:  // points added in the middle
        if (n < 2 || n > 150) return RandomPoints(40);
        for (int i = D.n; i >= n / 2; --i) D.CopyPoint(i, i + 1);
        D.x[n / 2] = -0.0;  // a value that compares equal to 0 but is not
        ++D.n;
        break;
      case 6:  // only the meaning: the flag
        sc.lgX = !sc.lgX;
        break;
      case 7:  // only the print format and the ephemeris: no step alone
        sc.xWidth = Index(5, 12);
        sc.period = Uniform(0.1, 1);
        break;
    }
  }
};

TEST_F(HistoryTest, AThousandRandomEditsUndoneGiveTheStartAndRedoneGiveTheEnd) {
  RandomPoints(120);
  DataHistory h;
  h.Start(*d, sc);
  std::vector<State> states{Take(*d, sc)};
  int steps = 0;
  for (int k = 0; k < 1000; ++k) {
    RandomEdit();
    if (h.Commit(*d, sc, true)) {
      ++steps;
      states.push_back(Take(*d, sc));
    } else {
      states.back() = Take(*d, sc);  // settled: the present state as it is
    }
  }
  ASSERT_EQ(h.position(), static_cast<std::size_t>(steps));
  ASSERT_GT(steps, 800);  // the format-only edits make no step
  const State end = states.back();
  // Each undo gives the state before that step; the print format and the
  // period are what the step itself changed, so they are compared at the
  // ends only.
  for (int k = steps; k > 0; --k) {
    ASSERT_NE(h.Undo(*d, sc), nullptr);
    State now = Take(*d, sc), want = states[k - 1];
    now.xWidth = want.xWidth;
    now.period = want.period;
    ASSERT_EQ(now, want) << "undo to state " << k - 1;
  }
  EXPECT_EQ(h.Undo(*d, sc), nullptr);
  State start = Take(*d, sc);
  EXPECT_EQ(start.t, states[0].t);
  EXPECT_EQ(start.x, states[0].x);
  EXPECT_EQ(start.observer, states[0].observer);
  EXPECT_EQ(start.lgX, states[0].lgX);
  for (int k = 1; k <= steps; ++k) ASSERT_NE(h.Redo(*d, sc), nullptr);
  EXPECT_EQ(h.Redo(*d, sc), nullptr);
  EXPECT_EQ(Take(*d, sc), end);
}

// n points with x = value; a transformation of x of all of them.
TEST_F(HistoryTest, TheMemoryBoundDropsTheOldestSteps) {
  RandomPoints(1000);
  DataHistory h({.maxSteps = 1000, .maxBytes = 20000});  // room for two 8,000-byte steps
  h.Start(*d, sc);
  std::vector<State> states{Take(*d, sc)};
  for (int k = 1; k <= 5; ++k) {
    for (int i = 1; i <= d->n; ++i) d->x[i] += k;
    h.SetLabel("edit " + std::to_string(k));
    ASSERT_TRUE(h.Commit(*d, sc, true));
    states.push_back(Take(*d, sc));
    EXPECT_LE(h.bytes(), 20000u);
  }
  EXPECT_EQ(h.TakeDropped(), (std::vector<std::string>{"edit 1", "edit 2", "edit 3"}));
  EXPECT_TRUE(h.TakeDropped().empty());
  ASSERT_EQ(h.size(), 2u);
  ASSERT_NE(h.Undo(*d, sc), nullptr);
  ASSERT_NE(h.Undo(*d, sc), nullptr);
  EXPECT_FALSE(h.CanUndo());
  EXPECT_EQ(Take(*d, sc).x, states[3].x);

  // A bound on the count alone.
  h.SetLimits({.maxSteps = 1, .maxBytes = 1u << 30});
  EXPECT_EQ(h.size(), 1u);  // of the two undone steps the one furthest ahead went
  ASSERT_NE(h.Redo(*d, sc), nullptr);
  EXPECT_EQ(Take(*d, sc).x, states[4].x);
}

TEST_F(HistoryTest, DeletingOnePointKeepsThatPointOnly) {
  RandomPoints(100000);
  DataHistory h;
  h.Start(*d, sc);
  const State before = Take(*d, sc);
  for (int i = 500; i < d->n; ++i) d->CopyPoint(i + 1, i);
  --d->n;
  ASSERT_TRUE(h.Commit(*d, sc, true));
  EXPECT_LT(h.bytes(), 2000u);  // one point, not a copy of 100,000 (4 MB)
  ASSERT_EQ(h.NextUndo()->kind, DataHistory::Kind::Delete);
  EXPECT_EQ(h.NextUndo()->removed, std::vector<int>{500});
  h.Undo(*d, sc);
  EXPECT_EQ(Take(*d, sc), before);
}

TEST_F(HistoryTest, UndoingToTheSavedStateMakesTheDataUnmodified) {
  RandomPoints(20);
  DataHistory h;
  h.Start(*d, sc);  // as loaded: unmodified
  auto deleteFirst = [&] {
    for (int i = 1; i < d->n; ++i) d->CopyPoint(i + 1, i);
    --d->n;
    sc.modified = true;
    ASSERT_TRUE(h.Commit(*d, sc, true));
  };
  deleteFirst();
  deleteFirst();
  sc.modified = false;  // saved after two deletions
  h.MarkSaved();
  deleteFirst();
  // A transformation alone leaves `modified` as it was.
  for (int i = 1; i <= d->n; ++i) d->x[i] *= 2;
  ASSERT_TRUE(h.Commit(*d, sc, true));
  const std::vector<bool> expected{true, true, false, true, true};  // states 0..4
  for (int p = 4; p > 0; --p) {
    ASSERT_NE(h.Undo(*d, sc), nullptr);
    EXPECT_EQ(sc.modified, expected[p - 1]) << "state " << p - 1;
  }
  for (int p = 1; p <= 4; ++p) {
    ASSERT_NE(h.Redo(*d, sc), nullptr);
    EXPECT_EQ(sc.modified, expected[p]) << "state " << p;
  }
}

TEST_F(HistoryTest, ANewEditAfterUndoingDropsWhatCouldBeRedone) {
  RandomPoints(10);
  DataHistory h;
  h.Start(*d, sc);
  d->x[3] = 1;
  h.Commit(*d, sc, true);
  d->x[4] = 2;
  h.Commit(*d, sc, true);
  h.Undo(*d, sc);
  d->x[5] = 3;
  ASSERT_TRUE(h.Commit(*d, sc, true));
  EXPECT_FALSE(h.CanRedo());
  EXPECT_EQ(h.size(), 2u);
  h.Undo(*d, sc);
  h.Undo(*d, sc);
  EXPECT_NE(d->x[3], 1);  // back to the random start
  EXPECT_NE(d->x[5], 3);
}

TEST_F(HistoryTest, ACheckMarkToggledBeforeItsKeyBelongsToTheKeysStep) {
  RandomPoints(10);
  DataHistory h;
  h.Start(*d, sc);
  sc.checkLgX = true;                     // the menu item's mark
  EXPECT_FALSE(h.Commit(*d, sc, false));  // its wait: no step, not settled
  for (int i = 1; i <= d->n; ++i) d->x[i] = std::log10(d->x[i]);
  sc.lgX = true;
  ASSERT_TRUE(h.Commit(*d, sc, true));  // the key's step
  h.Undo(*d, sc);
  EXPECT_FALSE(sc.checkLgX);
  EXPECT_FALSE(sc.lgX);
  // A mark changed and settled on its own belongs to the state it was
  // changed in: undoing the step before it gives the mark as it was before
  // that step, redoing gives the state as it was last seen.
  h.Redo(*d, sc);
  const bool before = sc.inverseX;
  sc.inverseX = !sc.inverseX;
  EXPECT_FALSE(h.Commit(*d, sc, true));
  h.Undo(*d, sc);
  EXPECT_EQ(sc.inverseX, before);
  h.Redo(*d, sc);
  EXPECT_EQ(sc.inverseX, !before);
}

}  // namespace
}  // namespace teril

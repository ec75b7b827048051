#include "data/editing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/io.h"
#include "engine/engine.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

using testing::EngineTest;

class EditingTest : public EngineTest {
 protected:
  // Fills points 1..n; the whole set visible, j = 1.
  void Fill(const std::vector<double>& t, const std::vector<double>& x,
            const std::vector<std::string>& obs = {}) {
    DataSet& d = engine->data;
    d.n = static_cast<int>(t.size());
    for (int i = 1; i <= d.n; ++i) {
      d.t[i] = d.t0[i] = t[i - 1];
      d.x[i] = x[i - 1];
      d.s[i] = 0.1 * i;
      d.observer[i] = ObserverCode(obs.empty() ? "" : obs[i - 1]);
    }
    d.tWidth = 8;
    d.tDecimals = 3;
    d.xWidth = 7;
    d.xDecimals = 3;
    engine->view.firstVisible = 1;
    engine->view.lastVisible = d.n;
    engine->view.j = 1;
    engine->run.inputFile = "star.dat";
  }
  std::vector<double> Xs() const {
    return {engine->data.x.begin() + 1, engine->data.x.begin() + 1 + engine->data.n};
  }
  std::vector<std::string> Observers() const {
    std::vector<std::string> o;
    for (int i = 1; i <= engine->data.n; ++i) o.push_back(engine->data.observer[i].str());
    return o;
  }
};

TEST_F(EditingTest, DeletingTheLastPointLogsItWithCodeMinusColumn) {
  Fill({1, 2, 3}, {1.25, 1.5, 2.5}, {"AA", "BB", "CDE"});
  testing::RecordingCanvas canvas;
  engine->canvas = &canvas;
  engine->view.j = 3;
  ASSERT_TRUE(DeleteCurrentPoint(*engine));
  EXPECT_EQ(engine->data.n, 2);
  EXPECT_EQ(engine->view.lastVisible, 2);
  EXPECT_TRUE(engine->run.modified);
  // "star.dat", blank, t in 8:3, x in 7:3, code in width 3, blank, observer.
  EXPECT_EQ(ReadLines("discard0.qvx"), std::vector<std::string>{"star.dat    3.000  2.500 -1 CDE"});
  ASSERT_FALSE(canvas.Texts().empty());
  EXPECT_EQ(canvas.Texts().back().text, "N=   2");
  EXPECT_EQ(canvas.Texts().back().b, 40);
}

TEST_F(EditingTest, DeletedPointsAreAppendedAndCodeFollowsColumn) {
  Fill({1, 2, 3, 4}, {10, 20, 30, 40}, {"A", "B", "C", "D"});
  engine->run.columnX = -2;
  engine->view.j = 2;
  ASSERT_TRUE(DeleteCurrentPoint(*engine));
  ASSERT_TRUE(DeleteCurrentPoint(*engine));  // j = 2 is now the former point 3
  EXPECT_EQ(Xs(), (std::vector<double>{10, 40}));
  EXPECT_EQ(Observers(), (std::vector<std::string>{"A", "D"}));
  EXPECT_EQ(engine->data.t0[2], 4);
  auto lines = ReadLines("discard0.qvx");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "star.dat    2.000 20.000 -2 B");
  EXPECT_EQ(lines[1], "star.dat    3.000 30.000 -2 C");
}

TEST_F(EditingTest, DeleteWithoutPointsDoesNothing) {
  Fill({}, {});
  EXPECT_FALSE(DeleteCurrentPoint(*engine));
  EXPECT_FALSE(FileExists("discard0.qvx"));
}

TEST_F(EditingTest, DeleteBadPointsRemovesTheWholeLevelCurrentPointToo) {
  Fill({1, 2, 3, 4, 5}, {5, 7, 5, 8, 5}, {"a", "b", "c", "d", "e"});
  engine->view.j = 3;
  EXPECT_EQ(DeleteBadPoints(*engine), 3);
  EXPECT_EQ(Xs(), (std::vector<double>{7, 8}));
  EXPECT_EQ(Observers(), (std::vector<std::string>{"b", "d"}));
  EXPECT_EQ(engine->view.j, 2);  // the next point left
  EXPECT_EQ(engine->view.lastVisible, 2);
  EXPECT_FALSE(engine->run.modified);
  EXPECT_FALSE(FileExists("discard0.qvx"));
}

TEST_F(EditingTest, DeleteObserverFromMenuMovesCurrentPointBackByEarlierDeletions) {
  Fill({1, 2, 3, 4}, {1, 2, 3, 4}, {"A", "B", "A", "C"});
  engine->view.selectedObserver = ObserverCode("A");
  engine->view.j = 3;
  EXPECT_EQ(DeleteObserverPoints(*engine), 2);
  EXPECT_EQ(Xs(), (std::vector<double>{2, 4}));
  EXPECT_EQ(engine->view.j, 2);
  EXPECT_TRUE(engine->run.modified);
  EXPECT_TRUE(host.Logged("removed A kk=2 n=2"));
}

TEST_F(EditingTest, DeleteObserverByKeyMovesCurrentPointBackByAllDeletions) {
  Fill({1, 2, 3, 4}, {1, 2, 3, 4}, {"A", "B", "A", "C"});
  engine->view.selectedObserver = ObserverCode("A");
  engine->view.j = 3;
  EXPECT_EQ(DeleteObserverPointsByKey(*engine), 2);
  EXPECT_EQ(Xs(), (std::vector<double>{2, 4}));
  EXPECT_EQ(engine->view.j, 1);
  EXPECT_FALSE(engine->run.modified);
  EXPECT_TRUE(host.Logged("LOG>>Deleting observer..."));
}

TEST_F(EditingTest, DeletingTheTrailingObserverKeepsIndicesInsideTheSet) {
  Fill({1, 2, 3, 4}, {1, 2, 3, 4}, {"B", "B", "A", "A"});
  engine->view.selectedObserver = ObserverCode("A");
  engine->view.j = 4;
  engine->view.cursorPoint = 4;
  DeleteObserverPoints(*engine);
  EXPECT_EQ(engine->data.n, 2);
  EXPECT_EQ(engine->view.j, 2);
  EXPECT_EQ(engine->view.cursorPoint, 2);
  EXPECT_EQ(engine->view.lastVisible, 2);
}

TEST_F(EditingTest, KeepOneObserver) {
  Fill({1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, {"A", "B", "A", "C", "A"});
  engine->view.selectedObserver = ObserverCode("A");
  engine->view.j = 4;
  EXPECT_EQ(KeepObserverPoints(*engine), 3);
  EXPECT_EQ(Xs(), (std::vector<double>{1, 3, 5}));
  EXPECT_EQ(engine->view.j, 1);
  EXPECT_EQ(engine->view.firstVisible, 1);
  EXPECT_EQ(engine->view.lastVisible, 3);
}

TEST_F(EditingTest, ShortenToWindowKeepsVisiblePointsInsideTheTimeRange) {
  Fill({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  engine->view.firstVisible = 3;
  engine->view.lastVisible = 8;
  engine->view.tMin = 3.5;
  engine->view.tMax = 7;
  engine->view.j = 5;
  engine->run.countAtLoad = 10;
  ShortenToWindow(*engine);
  EXPECT_EQ(Xs(), (std::vector<double>{4, 5, 6, 7}));
  EXPECT_EQ(engine->run.countAtLoad, 4);
  EXPECT_EQ(engine->view.j, 2);
  EXPECT_EQ(engine->view.lastVisible, 4);
}

TEST_F(EditingTest, DeleteIntervalWritesThePointsOutsideAndAsksForReload) {
  Fill({1, 2, 3, 4, 5}, {1.5, 2.5, 3.5, 4.5, 5.5});
  host.Add({"2", "4.5"});
  EXPECT_EQ(DeleteIntervalOfT(*engine), Continuation::Reload);
  // t = 2 is on the border, so it is not strictly inside and stays.
  EXPECT_EQ(ReadLines("Deleted.dat"),
            (std::vector<std::string>{"    1.00000 1.50000", "    2.00000 2.50000",
                                      "    5.00000 5.50000"}));
  EXPECT_EQ(engine->data.n, 5);
}

TEST_F(EditingTest, DeleteIntervalOfPhasedSetWritesLoadedTimeFirst) {
  Fill({0.25, -0.5}, {1, 2});
  engine->data.t0[1] = 100.25;
  engine->data.t0[2] = 101.5;
  engine->data.phased = true;
  host.Add({"0", "0.5"});
  EXPECT_EQ(DeleteIntervalOfT(*engine), Continuation::Reload);
  EXPECT_EQ(ReadLines("Deleted.dat"), std::vector<std::string>{"  101.50000 2.00000   -0.50000"});
}

TEST_F(EditingTest, DeleteIntervalWithEmptyAnswerCancelsWithoutReload) {
  Fill({1, 2, 3}, {1, 2, 3});
  host.Add({"1.5", ""});
  EXPECT_EQ(DeleteIntervalOfT(*engine), Continuation::Rescale);
  EXPECT_FALSE(FileExists("Deleted.dat"));
}

TEST_F(EditingTest, InterpolationIsExactForACubicAndLogged) {
  // x = i^3: (4 (8 + 64) - 1 - 125) / 6 = 27 at i = 3.
  Fill({1, 2, 3, 4, 5}, {1, 8, 99, 64, 125}, {"", "", "X", "", ""});
  engine->view.j = 3;
  ASSERT_TRUE(InterpolateCurrentPoint(*engine));
  EXPECT_DOUBLE_EQ(engine->data.x[3], 27);
  EXPECT_EQ(ReadLines("discard0.qvx"), std::vector<std::string>{"star.dat    3.000 27.000  1 X"});
}

TEST_F(EditingTest, InterpolationNeedsTwoNeighboursOnEachSide) {
  Fill({1, 2, 3, 4, 5}, {1, 2, 3, 4, 5});
  for (int j : {1, 2, 4, 5}) {
    engine->view.j = j;
    EXPECT_FALSE(InterpolateCurrentPoint(*engine)) << j;
  }
  EXPECT_EQ(Xs(), (std::vector<double>{1, 2, 3, 4, 5}));
}

TEST_F(EditingTest, SingleValueCorrections) {
  Fill({1, 2, 3, 4}, {12, 12, 12, 12});
  engine->view.j = 2;
  DivideCurrentPoint(*engine, 3);
  EXPECT_EQ(Xs(), (std::vector<double>{12, 4, 12, 12}));
  StepCurrentPoint(*engine, 1);  // x[2] + 1, j -> 3
  EXPECT_EQ(engine->view.j, 3);
  EXPECT_TRUE(engine->run.deferRescale);
  ShiftFromCurrentPoint(*engine, -1);  // points 3..4
  EXPECT_EQ(Xs(), (std::vector<double>{12, 5, 11, 11}));
}

// Sorting: a fixed pseudo-random order of 100 points; the expected order
// comes from std::sort on (t, x, observer) records.
TEST_F(EditingTest, SortOrdersByTimeAndMovesWholePoints) {
  const int n = 100;
  std::vector<double> t(n), x(n);
  std::vector<std::string> obs(n);
  std::mt19937 rng(7);
  std::vector<int> perm(n);
  for (int i = 0; i < n; ++i) perm[i] = i;
  std::shuffle(perm.begin(), perm.end(), rng);
  for (int i = 0; i < n; ++i) {
    t[i] = perm[i] * 0.5;
    x[i] = 1000 + perm[i];
    obs[i] = std::to_string(perm[i] % 1000);
  }
  Fill(t, x, obs);
  for (int i = 1; i <= n; ++i) engine->data.s[i] = 2000 + perm[i - 1];
  SortByTime(*engine);
  const DataSet& d = engine->data;
  ASSERT_EQ(d.n, n);
  for (int i = 1; i <= n; ++i) {
    const int k = i - 1;  // the point with perm k must be at place i
    EXPECT_EQ(d.t[i], k * 0.5);
    EXPECT_EQ(d.t0[i], k * 0.5);
    EXPECT_EQ(d.x[i], 1000 + k);
    EXPECT_EQ(d.s[i], 2000 + k);
    EXPECT_EQ(d.observer[i].str(), std::to_string(k));
  }
}

TEST_F(EditingTest, SortWithEqualTimesKeepsEveryRecordIntact) {
  std::vector<double> t, x;
  std::vector<std::string> obs;
  for (int i = 0; i < 40; ++i) {
    t.push_back((i * 7) % 5);
    x.push_back(i);
    obs.push_back(std::to_string(i));
  }
  Fill(t, x, obs);
  SortByTime(*engine);
  std::vector<std::tuple<double, double, std::string>> got, want;
  for (int i = 0; i < 40; ++i) want.emplace_back(t[i], x[i], obs[i]);
  for (int i = 1; i <= 40; ++i) {
    if (i > 1) {
      EXPECT_LE(engine->data.t[i - 1], engine->data.t[i]);
    }
    got.emplace_back(engine->data.t[i], engine->data.x[i], engine->data.observer[i].str());
  }
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);
}

TEST_F(EditingTest, AverageForSameTimes) {
  Fill({1, 1, 2}, {10, 12, 5}, {"A", "B", "C"});
  engine->data.tWidth = 5;
  engine->data.tDecimals = 1;
  engine->data.xWidth = 6;
  engine->data.xDecimals = 2;
  EXPECT_EQ(AverageSameTimes(*engine), 2);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "The data with same arguments will be averaged\nand saved to the file star_1t.dat");
  // Group 1: mean 11, codes last first ("B", blank, blank, "A"), count 2.
  EXPECT_EQ(ReadLines("star_1t.dat"),
            (std::vector<std::string>{"  1.0 11.00 B  A 2", "  2.0  5.00 C 1"}));
  EXPECT_EQ(engine->data.n, 3);  // the data set is not changed
  // A mean wider than its column (x sized on a zoomed view) keeps a blank
  // before it, so that the line reads back as time and mean.
  engine->data.xWidth = 4;
  engine->data.x[3] = 1234.5;
  AverageSameTimes(*engine);
  EXPECT_EQ(ReadLines("star_1t.dat")[1], "  2.0 1234.50 C 1");
}

TEST_F(EditingTest, AverageFileNameDropsTheLastExtension) {
  EXPECT_EQ(AverageFileName("star.dat"), "star_1t.dat");
  EXPECT_EQ(AverageFileName("v.cyg.txt"), "v.cyg_1t.dat");
  EXPECT_EQ(AverageFileName("data"), "data_1t.dat");
}

TEST_F(EditingTest, SwapTXExchangesValuesAndFormats) {
  Fill({1, 2}, {10, 20});
  SwapTX(*engine);
  EXPECT_EQ(engine->data.t[2], 20);
  EXPECT_EQ(engine->data.x[2], 2);
  EXPECT_EQ(engine->data.tWidth, 7);
  EXPECT_EQ(engine->data.xWidth, 8);
  EXPECT_EQ(engine->data.t0[2], 2);  // the loaded argument stays
  SwapTX(*engine);
  EXPECT_EQ(engine->data.t[2], 2);
  EXPECT_EQ(engine->data.tWidth, 8);
}

TEST_F(EditingTest, SwapXS) {
  Fill({1, 2}, {10, 20});
  SwapXS(*engine);
  EXPECT_DOUBLE_EQ(engine->data.x[2], 0.2);
  EXPECT_EQ(engine->data.s[2], 20);
}

}  // namespace
}  // namespace teril

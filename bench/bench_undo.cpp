// Undo of one deletion and of a transformation of all points on the full
// capacity of 1,220,100 points, and what the history costs at each key:
// the commit after a deletion and after a key that changed nothing.
//
// Undo is timed alone (manual time); the redo and the commit that set the
// next iteration up are not. BM_UndoCommand* time the whole menu command
// but the drawing on a canvas (there is none): the undo, the discard log,
// the log line and the view's passes over the 1,220,100 visible points
// (window, signal range, plot coordinates), which every edit's redraw
// makes as well.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>

#include "bench/quiet_host.h"
#include "data/editing.h"
#include "data/history.h"
#include "data/history_command.h"
#include "data/transform.h"
#include "engine/engine.h"
#include "plot/view.h"

namespace {

using namespace teril;
using Clock = std::chrono::steady_clock;

struct Fixture {
  bench::QuietHost host;
  bench::NoDialogs dialogs;
  std::unique_ptr<Engine> engine;

  Fixture() {
    engine = bench::QuietEngine(host, dialogs, bench::BenchFolder("teril-bench-undo"));
    DataSet& d = engine->data;
    d.n = MaxPoints;
    for (int i = 1; i <= d.n; ++i) {
      d.t[i] = d.t0[i] = 2450000.0 + 0.01 * i;
      d.x[i] = 12 + 0.8 * std::sin(0.37 * i) + 0.05 * std::sin(7.1 * i);
      d.s[i] = 0.01;
      d.observer[i] = ObserverCode(i % 2 ? "AB" : "CDE");
    }
    bench::ShowAllPoints(*engine);
    engine->run.inputFile = "star.dat";
    StartHistory(*engine);
  }

  DataHistory& history() { return engine->history; }

  void DeletePoint(int at) {
    DataSet& d = engine->data;
    for (int i = at; i < d.n; ++i) d.CopyPoint(i + 1, i);
    --d.n;
  }
};

// Times Undo of the step last committed; Redo puts it back untimed.
void TimeUndo(benchmark::State& state, Fixture& f) {
  HistoryScalars scalars = CaptureHistoryScalars(*f.engine);
  for (auto _ : state) {
    const auto start = Clock::now();
    benchmark::DoNotOptimize(f.history().Undo(f.engine->data, scalars));
    const auto end = Clock::now();
    f.history().Redo(f.engine->data, scalars);
    f.history().Commit(f.engine->data, scalars, true);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}

// Times the command Undo; Redo (also a command) puts the step back.
void TimeUndoCommand(benchmark::State& state, Fixture& f) {
  for (auto _ : state) {
    const auto start = Clock::now();
    UndoCommand(*f.engine);
    const auto end = Clock::now();
    RedoCommand(*f.engine);
    CommitEdits(*f.engine, true);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}

void BM_UndoDeletion(benchmark::State& state) {
  Fixture f;
  f.DeletePoint(static_cast<int>(state.range(0)));
  f.history().Commit(f.engine->data, CaptureHistoryScalars(*f.engine), true);
  TimeUndo(state, f);
}

void BM_UndoTransformationOfAllPoints(benchmark::State& state) {
  Fixture f;
  DataSet& d = f.engine->data;
  for (int i = 1; i <= d.n; ++i) d.x[i] = std::log10(d.x[i]);
  f.engine->run.flags.lgX = true;
  f.history().Commit(d, CaptureHistoryScalars(*f.engine), true);
  TimeUndo(state, f);
}

void BM_UndoCommandDeletion(benchmark::State& state) {
  Fixture f;
  f.engine->view.j = MaxPoints / 2;
  DeleteCurrentPoint(*f.engine);  // logged to the bench folder's discard0.qvx
  CommitEdits(*f.engine, true);
  TimeUndoCommand(state, f);
}

void BM_UndoCommandTransformation(benchmark::State& state) {
  Fixture f;
  ToggleLgX(*f.engine);
  CommitEdits(*f.engine, true);
  TimeUndoCommand(state, f);
}

// For comparison: the refresh that ends every edit ("#"), on the same view.
void BM_RefreshAllPoints(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) RescaleSignal(*f.engine);
}

// The commit the key loop makes after a deletion: finding the point that
// went and taking it out of the reference copy.
void BM_CommitDeletion(benchmark::State& state) {
  Fixture f;
  HistoryScalars scalars = CaptureHistoryScalars(*f.engine);
  for (auto _ : state) {
    f.DeletePoint(MaxPoints / 2);
    const auto start = Clock::now();
    f.history().Commit(f.engine->data, scalars, true);
    const auto end = Clock::now();
    f.history().Undo(f.engine->data, scalars);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}

// The commit after a key that changed nothing (a move of the cursor).
void BM_CommitNothingChanged(benchmark::State& state) {
  Fixture f;
  const HistoryScalars scalars = CaptureHistoryScalars(*f.engine);
  for (auto _ : state) benchmark::DoNotOptimize(f.history().Commit(f.engine->data, scalars, true));
}

BENCHMARK(BM_UndoDeletion)
    ->Arg(1)
    ->Arg(MaxPoints / 2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoTransformationOfAllPoints)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoCommandDeletion)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoCommandTransformation)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshAllPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommitDeletion)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommitNothingChanged)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

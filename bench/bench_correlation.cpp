// Correlation and regression ("U") and the autocorrelation function ("A")
// on the full capacity of 1,220,100 points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "bench/quiet_host.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "smoothing/autocorrelation.h"
#include "smoothing/correlation.h"
#include "window/qt_canvas.h"

namespace {

using namespace teril;

using bench::NoDialogs;
using bench::QuietHost;

// A light curve with a trend, every point visible, in a folder of its own
// (the correlation appends to its result file on every run).
struct Setup {
  QuietHost host;
  NoDialogs dialogs;
  std::unique_ptr<Engine> engine;
  QtCanvas canvas{673, 373};

  explicit Setup(int n) {
    engine = bench::QuietEngine(host, dialogs, bench::BenchFolder("teril-bench-correlation"));
    engine->run.inputFile = "bench.dat";
    engine->run.outputFile = "bench.da$";
    Fill(n);
    engine->view.StartFile();
    AttachCanvas(*engine, &canvas);
    ResetView(*engine);
  }
  void Fill(int n) {
    DataSet& d = engine->data;
    d.n = n;
    for (int i = 1; i <= n; ++i) {
      d.t[i] = d.t0[i] = 2450000.0 + 0.01 * i;
      d.x[i] = 12 + 1e-6 * i + 0.8 * std::sin(0.37 * i) + 0.05 * std::sin(7.1 * i);
    }
  }
};

void BM_Correlation(benchmark::State& state) {
  Setup s(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(RunCorrelation(*s.engine));
    std::filesystem::remove("bench_corr");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Autocorrelation(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Setup s(n);
  for (auto _ : state) {
    state.PauseTiming();
    s.Fill(n);
    s.engine->view.firstVisible = 1;
    s.engine->view.lastVisible = n;
    state.ResumeTiming();
    benchmark::DoNotOptimize(Autocorrelate(*s.engine));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_Correlation)->Arg(1220100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Autocorrelation)->Arg(10000)->Arg(1220100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

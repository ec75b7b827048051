// The bin mean ("~4" without its wait) and the histogram ("~}") of the full
// capacity of 1,220,100 visible points, drawing on the QImage canvas and
// writing their files in a scratch folder.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "bench/quiet_host.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "smoothing/histogram.h"
#include "smoothing/means.h"
#include "window/qt_canvas.h"

namespace {

using namespace teril;

struct Fixture {
  bench::QuietHost host;
  bench::NoDialogs dialogs;
  std::unique_ptr<Engine> engine;
  QtCanvas canvas{673, 373};

  explicit Fixture(int n) {
    engine = bench::QuietEngine(host, dialogs, bench::BenchFolder("teril-bench-means"));
    DataSet& d = engine->data;
    d.n = n;
    for (int i = 1; i <= n; ++i) {
      d.t[i] = d.t0[i] = 2450000.0 + 0.01 * i;
      d.x[i] = 12 + 0.8 * std::sin(0.37 * i) + 0.05 * std::sin(7.1 * i);
    }
    d.tWidth = 13;
    d.tDecimals = 5;
    d.xWidth = 7;
    d.xDecimals = 3;
    engine->view.StartFile();
    AttachCanvas(*engine, &canvas);
    ResetView(*engine);  // every point visible
    engine->eph.NNH = 50;
  }
};

void BM_BinMean(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    BinMean(*f.engine);
    benchmark::DoNotOptimize(f.engine->means.bins.data());
  }
  std::filesystem::remove("_f4.dat");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Histogram(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(HistogramKey(*f.engine));
  }
  std::filesystem::remove("_hist.dat");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_BinMean)->Arg(1220100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Histogram)->Arg(1220100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

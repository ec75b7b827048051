// Drawing the whole plot (DrawPlot) on the QImage canvas: 10,000 points and
// the full capacity of 1,220,100 points, two observers interleaved so that
// the pen changes from point to point.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "bench/quiet_host.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "window/qt_canvas.h"

namespace {

using namespace teril;

using bench::QuietHost;
using bench::NoDialogs;

void BM_DrawPlot(benchmark::State& state) {
  QuietHost host;
  NoDialogs dialogs;
  EngineOptions options;
  options.workFolder = "/tmp/teril-bench-work";
  auto engine = std::make_unique<Engine>(host, dialogs, options);
  engine->console.writeLogFile = false;
  QtCanvas canvas(673, 373);
  DataSet& d = engine->data;
  d.n = static_cast<int>(state.range(0));
  for (int i = 1; i <= d.n; ++i) {
    d.t[i] = d.t0[i] = 2450000.0 + 0.01 * i;
    d.x[i] = 12 + 0.8 * std::sin(0.37 * i) + 0.05 * std::sin(7.1 * i);
    d.observer[i] = ObserverCode(i % 3 == 0 ? "CD" : "AB");
  }
  engine->view.StartFile();
  AttachCanvas(*engine, &canvas);
  ResetView(*engine);  // every point visible, limits from the data
  for (auto _ : state) {
    DrawPlot(*engine);
    benchmark::DoNotOptimize(canvas.image().constBits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_DrawPlot)
    ->Arg(10000)
    ->Arg(1220100)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();

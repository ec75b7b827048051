// Drawing the whole plot (DrawPlot) on the QImage canvas: 10,000 points and
// the full capacity of 1,220,100 points, two observers interleaved so that
// the pen changes from point to point. The same with the drawing calls
// recorded (as the window does), and the recording painted at twice the
// plot's size (what the plot control does for a large window).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

#include "bench/quiet_host.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "window/qt_canvas.h"

namespace {

using namespace teril;

using bench::NoDialogs;
using bench::QuietHost;

struct Plot {
  QuietHost host;
  NoDialogs dialogs;
  std::unique_ptr<Engine> engine;
  QtCanvas canvas{673, 373};

  Plot(int n, bool recording) {
    EngineOptions options;
    options.workFolder = "/tmp/teril-bench-work";
    engine = std::make_unique<Engine>(host, dialogs, options);
    engine->console.writeLogFile = false;
    canvas.SetRecording(recording);
    DataSet& d = engine->data;
    d.n = n;
    for (int i = 1; i <= d.n; ++i) {
      d.t[i] = d.t0[i] = 2450000.0 + 0.01 * i;
      d.x[i] = 12 + 0.8 * std::sin(0.37 * i) + 0.05 * std::sin(7.1 * i);
      d.observer[i] = ObserverCode(i % 3 == 0 ? "CD" : "AB");
    }
    engine->view.StartFile();
    AttachCanvas(*engine, &canvas);
    ResetView(*engine);  // every point visible, limits from the data
  }
};

void BM_DrawPlot(benchmark::State& state) {
  Plot plot(static_cast<int>(state.range(0)), false);
  for (auto _ : state) {
    DrawPlot(*plot.engine);
    benchmark::DoNotOptimize(plot.canvas.image().constBits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_DrawPlotRecorded(benchmark::State& state) {
  Plot plot(static_cast<int>(state.range(0)), true);
  for (auto _ : state) {
    DrawPlot(*plot.engine);
    benchmark::DoNotOptimize(plot.canvas.image().constBits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PaintRecordingTwiceTheSize(benchmark::State& state) {
  Plot plot(static_cast<int>(state.range(0)), true);
  QImage out(2 * 673, 2 * 373, QImage::Format_RGB32);
  for (auto _ : state) {
    out.fill(Qt::white);
    QPainter p(&out);
    plot.canvas.Paint(p, 2, true);
    p.end();
    benchmark::DoNotOptimize(out.constBits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_DrawPlot)
    ->Arg(10000)
    ->Arg(1220100)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawPlotRecorded)
    ->Arg(10000)
    ->Arg(1220100)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PaintRecordingTwiceTheSize)
    ->Arg(10000)
    ->Arg(1220100)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();

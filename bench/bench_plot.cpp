// Drawing the whole plot (DrawPlot) on the QImage canvas: 10,000 points and
// the full capacity of 1,220,100 points, two observers interleaved so that
// the pen changes from point to point.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "console/console_host.h"
#include "console/dialogs.h"
#include "console/engine.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "window/qt_canvas.h"

namespace {

using namespace teril;

class QuietHost : public ConsoleHost {
 public:
  void AppendLog(const std::string&) override {}
  void Wait(Console& console) override { console.CommandFieldEnter("\x1b"); }
  void MessageBox(const std::string&) override {}
  std::string InputBox(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  void StdOut(const std::string&) override {}
};

class NoDialogs : public Dialogs {
 public:
  bool EditFields(const std::string&, const std::string&, std::vector<DialogField>&) override {
    return false;
  }
  std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFile(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  bool YesNo(const std::string&) override { return false; }
  bool CheckList(const std::string&, const std::vector<std::string>&, std::vector<bool>&) override {
    return false;
  }
};

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
  engine->view.StartFile(true);
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

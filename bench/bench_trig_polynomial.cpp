// The degree scan of the trigonometric polynomial on the full capacity of
// 1,220,100 points (the normal equations of degree 9 in one pass, the ten
// fits, the residual sums of all of them in one more pass, the rows), and
// the whole command with its files.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench/quiet_host.h"
#include "engine/engine.h"
#include "periodicity/fourier_command.h"
#include "periodicity/trig_polynomial.h"
#include "plot/view.h"

namespace {

using namespace teril;

struct Setup {
  bench::QuietHost host;
  bench::NoDialogs dialogs;
  std::unique_ptr<Engine> engine;

  explicit Setup(int n) {
    const auto folder = std::filesystem::temp_directory_path() / "teril-bench-trig";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    EngineOptions options;
    options.workFolder = (folder / "work").string();
    engine = std::make_unique<Engine>(host, dialogs, options);
    engine->console.writeLogFile = false;
    engine->run.inputFile = "bench.dat";
    engine->eph.period = 0.567;
    DataSet& d = engine->data;
    d.n = n;
    for (int i = 1; i <= n; ++i) {
      d.t[i] = d.t0[i] = 2450000.0 + 0.0037 * i;
      const double a = 2 * 3.141592653589793 * d.t[i] / 0.567;
      d.x[i] = 12 + 0.4 * std::cos(a) + 0.1 * std::sin(2 * a) + 0.02 * std::sin(7.1 * i);
    }
    engine->view.StartFile();
    ResetView(*engine);
  }
};

void BM_TrigDegreeScan(benchmark::State& state) {
  Setup s(static_cast<int>(state.range(0)));
  const DataSet& d = s.engine->data;
  const TrigPoints p{d.t.data(), d.x.data(), 1, d.n, -1e300, 1e300};
  for (auto _ : state) {
    const TrigPolySums sums = AccumulateTrigSums(p, TrigOmega(false, 0.567), kMaxTrigDegree);
    std::vector<TrigFit> fits;
    double best = 0;
    for (const DegreeRow& row : ScanTrigDegrees(p, sums, s.engine->lsq, fits))
      best = std::max(best, row.snA);
    benchmark::DoNotOptimize(best);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The whole command: the scan, its report, the chosen fit and "_Four.dat"
// with a line for every point (the keys answer Esc: the suggested degree,
// no smoothed values).
void BM_TrigPolynomialCommand(benchmark::State& state) {
  Setup s(static_cast<int>(state.range(0)));
  for (auto _ : state) TrigPolynomialCommand(*s.engine);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_TrigDegreeScan)->Arg(1220100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrigPolynomialCommand)->Arg(1220100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

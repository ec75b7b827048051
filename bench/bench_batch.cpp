// The batch over intervals and the bootstrap samples:
// - BM_BatchBootstrap: a bootstrap of 100 visible points (an eclipse with a
//   little noise) is written, loaded as a data file with its intervals file,
//   and "do for all next intervals" runs WSP over its 2,000 intervals with
//   "Save image" off (the result files are written as in a real run);
// - BM_WriteBootstrap: "Generate Bootstrap" of 1,000 visible points, a data
//   file of 2,000,000 lines and its intervals file.
//
//   build/bench/bench_batch --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "bench/quiet_host.h"
#include "console/file_run.h"
#include "engine/engine.h"
#include "extrema/batch.h"
#include "extrema/intervals.h"
#include "periodicity/bootstrap.h"

namespace {

using namespace teril;

// Presses "Do it!" with the marks as they are.
class DoItDialogs : public bench::NoDialogs {
 public:
  bool ChooseMethods(MethodChoice&) override { return true; }
};

// n points of an eclipse at t = 2450000.21 with a flat bottom and noise.
void LoadEclipse(Engine& e, int n) {
  std::uint64_t state = 12345;
  DataSet& d = e.data;
  d.n = n;
  d.tWidth = 13;
  d.tDecimals = 5;
  d.xWidth = 8;
  d.xDecimals = 4;
  for (int k = 1; k <= n; ++k) {
    const double t = 2450000.0 + 0.4 * (k - 1) / (n - 1);
    const double a = std::fabs(t - 2450000.21) - 0.03;
    double x = 11.0;
    if (a > 0) x = a >= 0.1 ? 10.0 : 11.0 - (1 - std::pow(1 - a / 0.1, 2.0));
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    x += 0.01 * (static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5);
    d.t[k] = d.t0[k] = t;
    d.x[k] = x;
  }
  bench::ShowAllPoints(e);
}

void BM_BatchBootstrap(benchmark::State& state) {
  const auto folder = bench::BenchFolder("teril-bench-batch");
  bench::QuietHost host;
  DoItDialogs dialogs;
  auto engine = bench::QuietEngine(host, dialogs, folder);
  Engine& e = *engine;
  LoadEclipse(e, 100);
  WriteBootstrap(e, kBootstrapFile);
  e.run.inputFile = kBootstrapFile;
  LoadDataFile(e);
  e.view.firstVisible = 1;
  e.view.lastVisible = e.data.n;
  ReadIntervalsFile(e, std::string(kBootstrapFile) + "!");
  e.batch.intervalsFile = std::string(kBootstrapFile) + "!";
  e.batch.methodChecked[5] = true;
  e.checks["Savepicture1"] = false;
  for (auto _ : state) {
    e.batch.currentInterval = 0;
    DoForAllNextIntervals(e);
    state.PauseTiming();
    for (const char* f : {"BootStrap_apr.dat", "extr.dat", "allmethod_extr.dat", "extr+coef.dat"})
      std::filesystem::remove(folder / f);
    state.ResumeTiming();
  }
  if (e.batch.currentInterval != kBootstrapSamples) state.SkipWithError("not every interval ran");
}

void BM_WriteBootstrap(benchmark::State& state) {
  bench::BenchFolder("teril-bench-bootstrap");
  bench::QuietHost host;
  bench::NoDialogs dialogs;
  auto engine = std::make_unique<Engine>(host, dialogs);
  engine->console.writeLogFile = false;
  LoadEclipse(*engine, 1000);
  for (auto _ : state) WriteBootstrap(*engine, kBootstrapFile);
  if (std::filesystem::file_size(kBootstrapFile) < 2000000u) state.SkipWithError("short file");
}

BENCHMARK(BM_BatchBootstrap)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WriteBootstrap)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

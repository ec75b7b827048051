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

void BM_BatchBootstrap(benchmark::State& state) {
  const auto folder = bench::BenchFolder("teril-bench-batch");
  bench::QuietHost host;
  DoItDialogs dialogs;
  auto engine = bench::QuietEngine(host, dialogs, folder);
  Engine& e = *engine;
  bench::LoadFlatEclipse(e, 100);
  WriteBootstrap(e, kBootstrapFile);
  e.run.inputFile = kBootstrapFile;
  LoadDataFile(e);
  e.view.firstVisible = 1;
  e.view.lastVisible = e.data.n;
  ReadIntervalsFile(e, std::string(kBootstrapFile) + "!");
  e.batch.intervalsFile = std::string(kBootstrapFile) + "!";
  e.batch.methodChecked[5] = true;
  e.checks.saveImage = false;
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
  bench::LoadFlatEclipse(*engine, 1000);
  for (auto _ : state) WriteBootstrap(*engine, kBootstrapFile);
  if (std::filesystem::file_size(kBootstrapFile) < 2000000u) state.SkipWithError("short file");
}

BENCHMARK(BM_BatchBootstrap)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WriteBootstrap)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

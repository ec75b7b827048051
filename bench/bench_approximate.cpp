// Time of one approximation (preliminary parabola and the method) on a
// synthetic eclipse of N points, for every method.
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>

#include "bench/quiet_host.h"
#include "engine/engine.h"
#include "extrema/approximate.h"
#include "extrema/models.h"

namespace {

using namespace teril;

using bench::QuietHost;
using bench::NoDialogs;

void BM_Approximate(benchmark::State& state) {
  const int method = static_cast<int>(state.range(0));
  const int n = static_cast<int>(state.range(1));
  QuietHost host;
  NoDialogs dialogs;
  auto engine = std::make_unique<Engine>(host, dialogs);
  engine->console.writeLogFile = false;
  bench::LoadFlatEclipse(*engine, n);
  for (auto _ : state) {
    engine->lsq.m = 3;
    Approximate(*engine, Method::kPolynomial);
    engine->lsq.m = method == 8 ? 5 : 3;
    const ApproximationResult r = Approximate(*engine, MethodOf(method));
    benchmark::DoNotOptimize(r.ExtremumTime);
  }
  state.SetLabel(ShortName(method));
}

void Args(benchmark::internal::Benchmark* b) {
  for (int method = 1; method <= 11; ++method)
    for (int n : {100, 1000, 10000}) b->Args({method, n});
  b->Unit(benchmark::kMillisecond);
  b->UseRealTime();
}

BENCHMARK(BM_Approximate)->Apply(Args);

}  // namespace

BENCHMARK_MAIN();

// Time of one approximation (preliminary parabola and the method) on a
// synthetic eclipse of N points, for every method.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
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

// An eclipse with a flat bottom and a little deterministic noise.
void LoadEclipse(Engine& e, int n) {
  std::uint64_t state = 12345;
  auto& d = e.data;
  d.n = n;
  for (int k = 1; k <= n; ++k) {
    const double t = 2450000.0 + 0.4 * (k - 1) / (n - 1);
    const double a = std::fabs(t - 2450000.21) - 0.03;
    double x = 11.0;
    if (a > 0) x = a >= 0.1 ? 10.0 : 11.0 - (1 - std::pow(1 - a / 0.1, 2.0));
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    x += 0.01 * (static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5);
    d.t[k] = t;
    d.x[k] = x;
  }
  bench::ShowAllPoints(e);
}

void BM_Approximate(benchmark::State& state) {
  const int method = static_cast<int>(state.range(0));
  const int n = static_cast<int>(state.range(1));
  QuietHost host;
  NoDialogs dialogs;
  auto engine = std::make_unique<Engine>(host, dialogs);
  engine->console.writeLogFile = false;
  LoadEclipse(*engine, n);
  for (auto _ : state) {
    int prelim = 1;
    engine->lsq.m = 3;
    Approximate(*engine, prelim, 0);
    int m = method;
    engine->lsq.m = method == 8 ? 5 : 3;
    Approximate(*engine, m, 0);
    benchmark::DoNotOptimize(engine->approx.ExtremumTime);
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

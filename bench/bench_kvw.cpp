// Time of the command "Kwee, van Woerden" (checks, resampling, the shiftgram
// sums and both result files) on N visible points of a noisy eclipse, and of
// the shiftgram sums alone on one and on all threads.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench/quiet_host.h"
#include "engine/engine.h"
#include "extrema/kwee_van_woerden.h"

namespace {

using namespace teril;

double Noise(std::uint64_t& state) {
  state = state * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
}

// An eclipse of depth 1 mag and half-width 0.1 d at 2450000.21 over 0.4 d.
void LoadEclipse(Engine& e, int n) {
  std::uint64_t state = 12345;
  DataSet& d = e.data;
  d.n = n;
  for (int k = 1; k <= n; ++k) {
    const double t = 2450000.0 + 0.4 * (k - 1) / (n - 1);
    const double a = std::fabs(t - 2450000.21);
    d.t[k] = t;
    d.x[k] = (a >= 0.1 ? 10.0 : 11.0 - a / 0.1) + 0.01 * Noise(state);
  }
  d.tWidth = 13;
  d.tDecimals = 5;
  d.xWidth = 7;
  d.xDecimals = 3;
  bench::ShowAllPoints(e);
}

void BM_KweeVanWoerden(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  bench::QuietHost host;
  bench::NoDialogs dialogs;
  auto engine = bench::QuietEngine(host, dialogs, bench::BenchFolder("teril-bench-kvw"));
  engine->run.inputFile = "bench.dat";
  LoadEclipse(*engine, n);
  for (auto _ : state) KweeVanWoerden(*engine);
  state.SetLabel(std::to_string(n) + " points");
}

void BM_ShiftgramSums(benchmark::State& state) {
  const int L = static_cast<int>(state.range(0));
  const int threads = static_cast<int>(state.range(1));
  std::uint64_t seed = 99;
  std::vector<double> y(L + 1), S1(L + 1), S2(L + 1);
  for (int o = 1; o <= L; ++o) y[o] = 10 + Noise(seed);
  ShiftgramOptions options;
  options.threads = threads;
  for (auto _ : state) {
    ShiftgramSums(y.data(), L, S1.data(), S2.data(), options);
    benchmark::DoNotOptimize(S2.data());
  }
  state.counters["pairs/s"] = benchmark::Counter(static_cast<double>(ShiftgramPairs(L)),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_KweeVanWoerden)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ShiftgramSums)
    ->Args({20001, 1})
    ->Args({20001, 0})
    ->Args({200001, 1})
    ->Args({200001, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

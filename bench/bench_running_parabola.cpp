// The running parabola at every point of a full data set, and the running
// parabola scalegram from the preset smallest half-width to the span.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "bench/quiet_host.h"
#include "engine/engine.h"
#include "smoothing/running_parabola.h"
#include "smoothing/scalegram.h"

namespace {

using namespace teril;

double Uniform(std::uint64_t& state) {
  state = state * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<double>(state >> 11) / 9007199254740992.0;
}

// n points with gaps drawn from 0.1 .. 1.9 (mean 1): a sine of period 37
// and noise.
void LoadUneven(Engine& e, int n) {
  std::uint64_t state = 4242;
  DataSet& d = e.data;
  d.n = n;
  double t = 2450000;
  for (int k = 1; k <= n; ++k) {
    t += 0.1 + 1.8 * Uniform(state);
    d.t[k] = t;
    d.x[k] = 11 + 0.4 * std::sin(t / 37 * 6.283185307179586) + 0.05 * (Uniform(state) - 0.5);
  }
}

// Every point of a full set, spaced by 1, with dt = 50: about 100 points
// in every window.
void BM_RunningParabolaPoints(benchmark::State& state) {
  bench::QuietHost host;
  bench::NoDialogs dialogs;
  auto engine = std::make_unique<Engine>(host, dialogs);
  engine->console.writeLogFile = false;
  DataSet& d = engine->data;
  d.n = MaxPoints;
  std::uint64_t seed = 7;
  for (int k = 1; k <= d.n; ++k) {
    d.t[k] = k;
    d.x[k] = 11 + 0.4 * std::sin(k / 370.0) + 0.05 * Uniform(seed);
  }
  engine->runningParabola.rpDeltaT = 50;
  for (auto _ : state) {
    RunningParabolaPoints(*engine);
    benchmark::DoNotOptimize(d.s[d.n / 2]);
  }
  state.SetLabel("n=1220100 dt=50");
}

// The scalegram of n uneven points over k = k1..k2 of the dialog presets
// (steps of 1/20 decade up to the span), on every core.
void BM_RunningParabolaScalegram(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  bench::QuietHost host;
  bench::NoDialogs dialogs;
  auto engine = std::make_unique<Engine>(host, dialogs);
  LoadUneven(*engine, n);
  const DataSet& d = engine->data;
  const ScalegramRange range = ScalegramPresets(d.t.data(), n);
  int records = 0;
  for (auto _ : state) {
    records = 0;
    for (long long k = range.k1; k <= range.k2; ++k) {
      const double dt = std::pow(10.0, static_cast<double>(k) / 20);
      auto r = ScalegramStep(d.t.data(), d.x.data(), n, dt, 0, {}, nullptr);
      if (r) {
        ++records;
        benchmark::DoNotOptimize(FormatScalegramRecord(*r));
      }
    }
  }
  state.SetLabel("k=" + std::to_string(range.k1) + ".." + std::to_string(range.k2) +
                 " records=" + std::to_string(records));
}

BENCHMARK(BM_RunningParabolaPoints)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RunningParabolaScalegram)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// Time of the periodogram: the direct sums and the fast method on 20,000
// points over 100 days with 200,000 frequencies up to 50 per day, and the
// fast method on 1,220,100 points with 10^6 frequencies.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "data/data_set.h"
#include "periodicity/periodogram.h"

namespace {

using namespace teril;

// Nightly runs over `days` days: a sinusoid of 0.3 mag at 2.7 per day and
// noise of 0.05 mag, with errors between 0.01 and 0.1 mag.
PeriodogramSeries MakeSeries(int n, double days) {
  std::mt19937 gen(42);
  std::uniform_real_distribution<double> night(0, 0.35), day(0, days), err(0.01, 0.1);
  std::normal_distribution<double> noise(0, 0.05);
  std::vector<double> t(n), x(n), w(n);
  for (int i = 0; i < n; ++i) t[i] = 2450000 + std::floor(day(gen)) + night(gen);
  std::sort(t.begin(), t.end());
  for (int i = 0; i < n; ++i) {
    x[i] = 12 + 0.3 * std::sin(2 * std::numbers::pi * 2.7 * t[i]) + noise(gen);
    w[i] = 1 / std::pow(err(gen), 2);
  }
  return PrepareSeries(t, x, w);
}

void Run(benchmark::State& state, bool fast, int n, long long frequencies) {
  const PeriodogramSeries series = MakeSeries(n, 100);
  const FrequencyGrid grid{0, 50.0 / static_cast<double>(frequencies - 1), frequencies};
  PeriodogramValues values;
  for (auto _ : state) {
    const bool done = fast
                          ? FastPeriodogram(series, grid, PeriodogramMethod::LombScargle, values)
                          : DirectPeriodogram(series, grid, PeriodogramMethod::LombScargle, values);
    benchmark::DoNotOptimize(done);
    benchmark::DoNotOptimize(values.power.data());
  }
  state.counters["points"] = n;
  state.counters["frequencies"] = static_cast<double>(frequencies);
}

void BM_PeriodogramDirect(benchmark::State& state) { Run(state, false, 20000, 200000); }
void BM_PeriodogramFast(benchmark::State& state) { Run(state, true, 20000, 200000); }
void BM_PeriodogramFastAllPoints(benchmark::State& state) { Run(state, true, MaxPoints, 1000000); }

BENCHMARK(BM_PeriodogramDirect)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_PeriodogramFast)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeriodogramFastAllPoints)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

// Time of prewhitening: 30 frequencies found one after another in 20,000
// points over 27 days (a two-minute cadence with a gap of a day in the
// middle), each step a residual amplitude spectrum up to 50 cycles per day
// at oversampling 10 (13,500 frequencies) and the simultaneous fit of all
// frequencies found so far (up to 91 parameters). Reported as the median
// of three runs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "periodicity/prewhitening.h"

namespace {

using namespace teril;

MultiSineData MakeData() {
  const int n = 20000;
  std::mt19937 gen(31);
  std::uniform_real_distribution<double> frequency(0.5, 45), phase(0, 1);
  std::normal_distribution<double> noise(0, 0.0005);
  std::vector<double> f(30), A(30), phi(30);
  for (int k = 0; k < 30; ++k) {
    f[k] = frequency(gen);
    A[k] = 0.01 * std::pow(0.88, k);  // 10 mmag down to 0.25 mmag
    phi[k] = phase(gen);
  }
  std::vector<double> t, x;
  const double step = 26.0 / n;  // 27 days less the day of the gap
  for (int i = 0; i < n; ++i) {
    double v = i * step;
    if (v >= 13) v += 1;
    t.push_back(2459000 + v);
    double y = 9;
    for (int k = 0; k < 30; ++k) y += A[k] * std::sin(2 * std::numbers::pi * (f[k] * v + phi[k]));
    x.push_back(y + noise(gen));
  }
  return PrepareMultiSine(t, x);
}

void BM_Prewhiten30From20000(benchmark::State& state) {
  const MultiSineData data = MakeData();
  PrewhiteningOptions options;
  options.fHigh = 50;
  options.maxFrequencies = 30;
  options.stopSnr = 0;
  std::size_t found = 0;
  for (auto _ : state) {
    FrequencyList list;
    Prewhiten(data, list, options);
    found = list.terms.size();
    benchmark::DoNotOptimize(list.terms.data());
  }
  state.counters["points"] = static_cast<double>(data.size());
  state.counters["frequencies"] = static_cast<double>(found);
}

BENCHMARK(BM_Prewhiten30From20000)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();

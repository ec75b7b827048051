// Time of the periodogram: the direct sums and the fast method on 20,000
// points over 100 days with 200,000 frequencies up to 50 per day, and the
// fast method on 1,220,100 points with 10^6 frequencies; the writing of
// the file of 10^6 frequencies, line by line as it was and by the block
// writer of every method now.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/data_set.h"
#include "periodicity/periodogram.h"
#include "periodicity/periodogram_file.h"

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

// The file of 10^6 frequencies with power and semi-amplitude.
void RunFile(benchmark::State& state, bool blocks) {
  const FrequencyGrid grid{0, 5e-5, 1000000};
  std::vector<double> power(grid.count), amplitude(grid.count);
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(0, 1);
  for (long long k = 0; k < grid.count; ++k) {
    power[k] = u(gen);
    amplitude[k] = 0.3 * u(gen);
  }
  const std::string path =
      (std::filesystem::temp_directory_path() / "bench_periodogram_file.dat").string();
  const std::string header = "frequency power semi-amplitude";
  for (auto _ : state) {
    if (blocks) {
      const std::span<const double> columns[] = {power, amplitude};
      benchmark::DoNotOptimize(WritePeriodogramFile(path, header, grid, columns));
    } else {
      // The former writer: each line through Sci23, appended 100,000 at a time.
      WriteFile(path, header + "\n");
      std::string text;
      for (long long k0 = 0; k0 < grid.count; k0 += 100000) {
        text.clear();
        for (long long k = k0; k < std::min(grid.count, k0 + 100000); ++k)
          text += Sci23(grid.At(k)) + " " + Sci23(power[k]) + " " + Sci23(amplitude[k]) + "\n";
        AppendToFile(path, text);
      }
    }
  }
  std::filesystem::remove(path);
  state.counters["frequencies"] = static_cast<double>(grid.count);
}

void BM_PeriodogramFileLineByLine(benchmark::State& state) { RunFile(state, false); }
void BM_PeriodogramFileBlocks(benchmark::State& state) { RunFile(state, true); }

BENCHMARK(BM_PeriodogramFileLineByLine)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5);
BENCHMARK(BM_PeriodogramFileBlocks)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();

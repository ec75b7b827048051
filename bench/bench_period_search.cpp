// Time of the period searches: three harmonics on 20,000 points over 100
// days with 200,000 frequencies; box least squares, PDM and AoV on a
// space-telescope sector (20,000 points over 27 days, periods 0.3 to 13
// days, 10 durations from 1 % to 10 % of the period, a grid 30 times finer
// than 1 / span so that the shortest box drifts by a third of its width
// between frequencies); PDM and AoV on the 200,000 frequencies too; and
// the periodogram file of 10^6 frequencies.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>
#include <span>
#include <vector>

#include "periodicity/period_search.h"
#include "periodicity/periodogram_file.h"

namespace {

using namespace teril;

// Nightly runs over 100 days: a sawtooth of 0.5 mag at 2.7 per day.
PeriodogramSeries Survey() {
  std::mt19937 gen(42);
  std::uniform_real_distribution<double> night(0, 0.35), day(0, 100), err(0.01, 0.1);
  std::normal_distribution<double> noise(0, 0.05);
  std::vector<double> t(20000), x(t.size()), w(t.size());
  for (auto& v : t) v = 2450000 + std::floor(day(gen)) + night(gen);
  std::sort(t.begin(), t.end());
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double ph = 2.7 * t[i] - std::floor(2.7 * t[i]);
    x[i] = 12 + 0.5 * ph + noise(gen);
    w[i] = 1 / std::pow(err(gen), 2);
  }
  return PrepareSeries(t, x, w);
}

// 20,000 points over 27 days with a 0.5 % transit every 3.7 days.
PeriodogramSeries Sector() {
  std::mt19937 gen(7);
  std::normal_distribution<double> noise(0, 0.002);
  std::vector<double> t, x;
  for (int i = 0; i < 20000; ++i) {
    const double ti = 27.0 * i / 20000;
    const double ph = ti / 3.7 - std::floor(ti / 3.7);
    t.push_back(2459000 + ti);
    x.push_back(1 - (ph < 0.02 ? 0.005 : 0) + noise(gen));
  }
  return PrepareSeries(t, x);
}

FrequencyGrid SurveyGrid() { return {0, 50.0 / 199999, 200000}; }

FrequencyGrid SectorGrid(const PeriodogramSeries& s) {
  const double step = 1 / (30 * s.span), fLow = 1 / 13.0, fHigh = 1 / 0.3;
  return {fLow, step, static_cast<long long>(GridCount(fLow, fHigh, step))};
}

void Run(benchmark::State& state, const PeriodogramSeries& s, const FrequencyGrid& g,
         PeriodogramMethod method) {
  PeriodSearchOptions o;
  PeriodSearchValues v;
  for (auto _ : state) {
    const bool done = ComputePeriodSearch(s, {}, g, method, o, v);
    benchmark::DoNotOptimize(done);
    benchmark::DoNotOptimize(v.power.data());
  }
  state.counters["points"] = static_cast<double>(s.size());
  state.counters["frequencies"] = static_cast<double>(g.count);
}

void BM_Harmonic3(benchmark::State& state) {
  static const PeriodogramSeries s = Survey();
  Run(state, s, SurveyGrid(), PeriodogramMethod::Harmonic);
}
void BM_BoxSector(benchmark::State& state) {
  static const PeriodogramSeries s = Sector();
  Run(state, s, SectorGrid(s), PeriodogramMethod::Bls);
}
void BM_PdmSector(benchmark::State& state) {
  static const PeriodogramSeries s = Sector();
  Run(state, s, SectorGrid(s), PeriodogramMethod::Pdm);
}
void BM_AovSector(benchmark::State& state) {
  static const PeriodogramSeries s = Sector();
  Run(state, s, SectorGrid(s), PeriodogramMethod::Aov);
}
void BM_PdmSurvey(benchmark::State& state) {
  static const PeriodogramSeries s = Survey();
  Run(state, s, SurveyGrid(), PeriodogramMethod::Pdm);
}
void BM_AovSurvey(benchmark::State& state) {
  static const PeriodogramSeries s = Survey();
  Run(state, s, SurveyGrid(), PeriodogramMethod::Aov);
}

void BM_PeriodogramFile(benchmark::State& state) {
  const FrequencyGrid g{0, 1e-4, 1000000};
  std::vector<double> p(g.count), a(g.count);
  std::mt19937 gen(1);
  std::uniform_real_distribution<double> u(0, 1);
  for (long long k = 0; k < g.count; ++k) {
    p[k] = u(gen);
    a[k] = 0.1 * u(gen);
  }
  const std::span<const double> columns[] = {p, a};
  const std::string path =
      (std::filesystem::temp_directory_path() / "bench_period_search.dat").string();
  for (auto _ : state)
    benchmark::DoNotOptimize(
        WritePeriodogramFile(path, "frequency power semi-amplitude", g, columns));
  std::filesystem::remove(path);
  state.counters["frequencies"] = static_cast<double>(g.count);
}

BENCHMARK(BM_Harmonic3)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_BoxSector)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_PdmSector)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_AovSector)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_PdmSurvey)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_AovSurvey)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_PeriodogramFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();

// Converting the full capacity of 1,220,100 times from JD_UTC to BJD_TDB:
// a space-telescope series (2-minute cadence, 4.6 years) and a long
// ground-based one (0.01 d apart, 33 years), at the geocentre and with an
// observatory.
#include <benchmark/benchmark.h>

#include <vector>

#include "timescales/time_conversion.h"

namespace {

using namespace teril;

constexpr int kPoints = 1220100;

std::vector<double> Times(double step) {
  std::vector<double> t(kPoints);
  for (int i = 0; i < kPoints; ++i) t[i] = 50000.0 + step * i;  // RJD: from 1995
  return t;
}

void Convert(benchmark::State& state, double step, bool observatory) {
  const std::vector<double> t = Times(step);
  TimeConversion c;
  c.referenceNow = TimeReference::Named(TimeReference::Kind::RJD);
  c.referenceAfter = TimeReference::Named(TimeReference::Kind::BTJD);
  c.scaleNow = TimeScale::UTC;
  c.placeNow = TimePlace::GEO;
  c.target = TimeTarget::BJD_TDB;
  c.star = {287.4, 41.2};
  if (observatory) c.observatory = Observatory{-111.6, 31.96, 2096.0};
  for (auto _ : state) {
    TimeConversionResult r = ConvertTimes(t, c);
    if (!r.ok()) {
      state.SkipWithError(r.error.c_str());
      break;
    }
    benchmark::DoNotOptimize(r.t.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_TwoMinuteCadence(benchmark::State& state) { Convert(state, 2.0 / 1440.0, false); }
void BM_TwoMinuteCadenceObservatory(benchmark::State& state) { Convert(state, 2.0 / 1440.0, true); }
void BM_ThirtyThreeYears(benchmark::State& state) { Convert(state, 0.01, false); }
void BM_ThirtyThreeYearsObservatory(benchmark::State& state) { Convert(state, 0.01, true); }

BENCHMARK(BM_TwoMinuteCadence)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TwoMinuteCadenceObservatory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThirtyThreeYears)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThirtyThreeYearsObservatory)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

#include "periodicity/phase_dispersion.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <thread>

#include "numeric/threads.h"
#include "periodicity/phase_fold.h"

namespace teril {
namespace {

using phase_detail::Folder;
using phase_detail::FoldSeries;

// Frequencies folded from one exact start: each run is one thread's, so
// the result does not depend on the number of threads.
constexpr long long kRun = 256;

}  // namespace

BinnedStatistic BinnedFromSums(const double* s0, const double* s1, int M, long long n, double T) {
  BinnedStatistic r;
  double between = 0, lo = 0, hi = 0;
  for (int b = 0; b < M; ++b) {
    if (!(s0[b] > 0)) continue;
    const double mean = s1[b] / s0[b];
    between += s1[b] * mean;
    lo = r.filledBins == 0 ? mean : std::min(lo, mean);
    hi = r.filledBins == 0 ? mean : std::max(hi, mean);
    ++r.filledBins;
  }
  r.amplitude = (hi - lo) / 2;
  const long long m = r.filledBins;
  if (m < 2 || n <= m || !(T > 0)) return r;
  const double within = std::max(0.0, T - between);
  r.withinShare = std::min(1.0, within / T);
  const double nm = static_cast<double>(n - m);
  r.theta = (within / nm) / (T / static_cast<double>(n - 1));
  r.aov = within > 0 ? (between / static_cast<double>(m - 1)) / (within / nm)
                     : std::numeric_limits<double>::max();
  return r;
}

bool PhaseDispersionPeriodogram(const PeriodogramSeries& series, const FrequencyGrid& grid,
                                PeriodogramMethod method, const PeriodSearchOptions& options,
                                std::vector<double>& power, std::vector<double>& amplitude) {
  const int M = options.bins;
  if (M < 2 || M > 1000) throw std::invalid_argument("PhaseDispersionPeriodogram: bins");
  power.assign(std::max(0LL, grid.count), 0.0);
  amplitude.assign(std::max(0LL, grid.count), 0.0);
  if (grid.count <= 0) return true;
  const FoldSeries fs = phase_detail::MakeFoldSeries(series);
  const long long n = static_cast<long long>(series.size());
  const bool pdm = method == PeriodogramMethod::Pdm;
  const long long runs = (grid.count + kRun - 1) / kRun;
  std::atomic<long long> next{0}, done{0};
  std::atomic<bool> stop{false};
  auto work = [&](int slot) {
    Folder folder(fs, M);
    std::vector<double> s0(M), s1(M);
    for (;;) {
      const long long run = next.fetch_add(1);
      if (run >= runs || stop.load()) return;
      const long long k0 = run * kRun, k1 = std::min(grid.count, k0 + kRun);
      folder.Start(grid.At(k0), grid.step);
      for (long long k = k0; k < k1; ++k) {
        folder.FoldNext(s0.data(), s1.data());
        const BinnedStatistic st = BinnedFromSums(s0.data(), s1.data(), M, n, fs.yy);
        power[k] = pdm ? st.theta : st.aov;
        amplitude[k] = st.amplitude;
      }
      const long long d = done.fetch_add(1) + 1;
      if (slot == 0 && options.progress && !options.progress(d, runs)) stop = true;
    }
  };
  int threads =
      options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
  RunOnThreads(static_cast<int>(std::clamp<long long>(threads, 1, std::min(runs, 64LL))), work);
  return !stop.load();
}

BinnedStatistic PhaseDispersionAt(const PeriodogramSeries& series, double f, int bins) {
  const FoldSeries fs = phase_detail::MakeFoldSeries(series);
  Folder folder(fs, bins);
  folder.Start(f, 0);
  std::vector<double> s0(bins), s1(bins);
  folder.FoldNext(s0.data(), s1.data());
  return BinnedFromSums(s0.data(), s1.data(), bins, static_cast<long long>(series.size()), fs.yy);
}

double IncompleteBeta(double a, double b, double x) {
  if (!(a > 0) || !(b > 0)) throw std::invalid_argument("IncompleteBeta: a, b must be above 0");
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  // The continued fraction converges fast for x < (a + 1) / (a + b + 2);
  // beyond, I_x(a, b) = 1 - I_{1-x}(b, a).
  if (x > (a + 1) / (a + b + 2)) return 1 - IncompleteBeta(b, a, 1 - x);
  const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
                                a * std::log(x) + b * std::log1p(-x)) /
                       a;
  constexpr double kTiny = 1e-300, kEps = 1e-15;
  double f = 1, c = 1, d = 0;
  for (int i = 0; i <= 20000; ++i) {
    const int m = i / 2;
    double numerator;
    if (i == 0)
      numerator = 1;
    else if (i % 2 == 0)
      numerator = (m * (b - m) * x) / ((a + 2.0 * m - 1) * (a + 2.0 * m));
    else
      numerator = -((a + m) * (a + b + m) * x) / ((a + 2.0 * m) * (a + 2.0 * m + 1));
    d = 1 + numerator * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    d = 1 / d;
    c = 1 + numerator / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    const double cd = c * d;
    f *= cd;
    if (std::fabs(1 - cd) < kEps) break;
  }
  return std::clamp(front * (f - 1), 0.0, 1.0);
}

double BinnedSingleTrialProbability(double withinShare, long long n, int filledBins) {
  const long long m = filledBins;
  if (m < 2 || n <= m) return 1;
  return IncompleteBeta(static_cast<double>(n - m) / 2, static_cast<double>(m - 1) / 2,
                        std::clamp(withinShare, 0.0, 1.0));
}

double FalseAlarmOfTrials(double p1, double M) {
  p1 = std::clamp(p1, 0.0, 1.0);
  if (p1 >= 1) return 1;
  M = std::max(1.0, M);
  return std::clamp(-std::expm1(M * std::log1p(-p1)), 0.0, 1.0);
}

}  // namespace teril

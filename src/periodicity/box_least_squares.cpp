#include "periodicity/box_least_squares.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>
#include <thread>

#include "numeric/threads.h"
#include "periodicity/phase_fold.h"

namespace teril {
namespace {

using phase_detail::Folder;
using phase_detail::FoldSeries;

constexpr long long kRun = 256;  // frequencies folded from one exact start
constexpr int kBinsPerShortest = 4;
constexpr int kMaxGridBins = 4000;
constexpr int kFineBinsPerShortest = 20;
constexpr int kMaxFineBins = 20000;

struct Box {
  double score = 0;  // s^2 / (r (1 - r))
  double s = 0, r = 0;
  int start = 0, width = 0;
};

// The best box over the bin sums, with prefix sums over two turns so that
// a box may wrap past phase 1.
Box BestBox(const double* s0, const double* s1, int nb, const std::vector<int>& widths,
            std::vector<double>& p0, std::vector<double>& p1) {
  p0.resize(2 * nb + 1);
  p1.resize(2 * nb + 1);
  p0[0] = p1[0] = 0;
  for (int i = 0; i < 2 * nb; ++i) {
    p0[i + 1] = p0[i] + s0[i % nb];
    p1[i + 1] = p1[i] + s1[i % nb];
  }
  // The weights sum to 1 up to rounding: measure r against the fold's own
  // total so that a box of every bin is never taken for one of weight < 1.
  const double total = p0[nb];
  Box best;
  for (int w : widths) {
    if (w >= nb) continue;
    for (int i = 0; i < nb; ++i) {
      const double r = p0[i + w] - p0[i];
      const double out = total - r;
      if (!(r > 0) || !(out > 1e-12 * total)) continue;
      const double s = p1[i + w] - p1[i];
      const double score = s * s * total * total / (r * out);
      if (score > best.score) best = {score, s, r / total, i, w};
    }
  }
  return best;
}

BoxFit ToFit(const Box& b, int nb, double f, double tFirst, double yy) {
  BoxFit fit;
  const double P = 1 / f;
  fit.resolution = P / nb;
  if (b.width == 0) return fit;
  fit.power = yy > 0 ? std::clamp(b.score / yy, 0.0, 1.0) : 0.0;
  fit.depth = b.s / (b.r * (1 - b.r));
  fit.duration = b.width * P / nb;
  double middle = (b.start + 0.5 * b.width) / nb;
  if (middle >= 1) middle -= 1;
  fit.t0 = tFirst + middle * P;
  fit.inWeight = b.r;
  return fit;
}

void CheckOptions(const PeriodSearchOptions& o) {
  if (!(o.shortestDuration > 0) || !(o.longestDuration >= o.shortestDuration) ||
      !(o.longestDuration <= 0.5) || o.durations < 1 || o.durations > 1000)
    throw std::invalid_argument("box least squares: trial durations out of range");
}

}  // namespace

int BoxBins(double shortestDuration) {
  return std::min(kMaxGridBins,
                  static_cast<int>(std::ceil(kBinsPerShortest / shortestDuration - 1e-9)));
}

std::vector<int> BoxWidths(const PeriodSearchOptions& o, int bins) {
  std::vector<int> widths;
  const int n = o.durations;
  for (int i = 0; i < n; ++i) {
    const double q = n == 1 ? o.shortestDuration
                            : o.shortestDuration * std::pow(o.longestDuration / o.shortestDuration,
                                                            static_cast<double>(i) / (n - 1));
    widths.push_back(std::max(1, static_cast<int>(std::lround(q * bins))));
  }
  std::sort(widths.begin(), widths.end());
  widths.erase(std::unique(widths.begin(), widths.end()), widths.end());
  return widths;
}

bool BoxPeriodogram(const PeriodogramSeries& series, const FrequencyGrid& grid,
                    const PeriodSearchOptions& options, PeriodSearchValues& out) {
  CheckOptions(options);
  const long long count = std::max(0LL, grid.count);
  for (auto* v : {&out.power, &out.amplitude, &out.depth, &out.duration, &out.t0})
    v->assign(count, 0.0);
  if (count == 0) return true;
  if (!(grid.fLow > 0)) throw std::invalid_argument("box least squares: frequencies above 0");
  const FoldSeries fs = phase_detail::MakeFoldSeries(series);
  const int nb = BoxBins(options.shortestDuration);
  const std::vector<int> widths = BoxWidths(options, nb);
  const long long runs = (count + kRun - 1) / kRun;
  std::atomic<long long> next{0}, done{0};
  std::atomic<bool> stop{false};
  auto work = [&](int slot) {
    Folder folder(fs, nb);
    std::vector<double> s0(nb), s1(nb), p0, p1;
    for (;;) {
      const long long run = next.fetch_add(1);
      if (run >= runs || stop.load()) return;
      const long long k0 = run * kRun, k1 = std::min(count, k0 + kRun);
      folder.Start(grid.At(k0), grid.step);
      for (long long k = k0; k < k1; ++k) {
        folder.FoldNext(s0.data(), s1.data());
        const Box b = BestBox(s0.data(), s1.data(), nb, widths, p0, p1);
        const BoxFit fit = ToFit(b, nb, grid.At(k), fs.tFirst, fs.yy);
        out.power[k] = fit.power;
        out.amplitude[k] = std::fabs(fit.depth);
        out.depth[k] = fit.depth;
        out.duration[k] = fit.duration;
        out.t0[k] = fit.t0;
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

BoxFit BoxFitAt(const PeriodogramSeries& series, double f, const PeriodSearchOptions& options,
                int bins) {
  CheckOptions(options);
  if (!(f > 0)) throw std::invalid_argument("BoxFitAt: the frequency must be above 0");
  const int nb = bins > 0 ? bins
                          : std::min(kMaxFineBins,
                                     static_cast<int>(std::ceil(
                                         kFineBinsPerShortest / options.shortestDuration - 1e-9)));
  std::vector<int> widths;
  const int w0 = std::max(1, static_cast<int>(std::lround(options.shortestDuration * nb)));
  const int w1 = std::max(w0, static_cast<int>(std::lround(options.longestDuration * nb)));
  for (int w = w0; w <= w1; ++w) widths.push_back(w);
  const FoldSeries fs = phase_detail::MakeFoldSeries(series);
  Folder folder(fs, nb);
  folder.Start(f, 0);
  std::vector<double> s0(nb), s1(nb), p0, p1;
  folder.FoldNext(s0.data(), s1.data());
  return ToFit(BestBox(s0.data(), s1.data(), nb, widths, p0, p1), nb, f, fs.tFirst, fs.yy);
}

double BoxDepthError(const BoxFit& fit, double yy, long long n) {
  const double r = fit.inWeight;
  if (n <= 2 || !(r > 0) || !(r < 1)) return 0;
  return std::sqrt(yy * (1 - fit.power) / (static_cast<double>(n - 2) * r * (1 - r)));
}

}  // namespace teril

#include "periodicity/periodogram.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>
#include <queue>
#include <stdexcept>
#include <thread>

#include "numeric/threads.h"
#include "periodicity/periodogram_kernel.h"

namespace teril {
namespace {

using periodogram_detail::CosSinCycles;

// Four lanes of doubles: the inner loops of the direct sums work on four
// points at a time (two SSE2 or one AVX register), with one accumulator
// per lane, so the sums vectorise without reordering any single lane.
typedef double Lanes __attribute__((vector_size(32)));
constexpr int kLanes = 4;

// (By reference: no vector crosses a call boundary, whatever the target.)
void Load(Lanes& v, const double* p) { std::memcpy(&v, p, sizeof v); }
void Store(double* p, const Lanes& v) { std::memcpy(p, &v, sizeof v); }
double Sum(const Lanes& v) { return (v[0] + v[1]) + (v[2] + v[3]); }

// The inner loop is also built for processors with AVX2 and FMA (four
// lanes in one register, multiply-add in one step), chosen when the
// program starts; the results then differ from the plain build by
// rounding only.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TERIL_WIDE_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define TERIL_WIDE_CLONES
#endif

// Points whose sines and cosines stay in the first-level cache while they
// are rotated through the frequencies of one anchor interval.
constexpr std::size_t kPointTile = 512;
// Points of one unit of work (between two checks for a stop).
constexpr std::size_t kPointChunk = 8 * kPointTile;

// The series padded with points of weight 0 to a whole number of lanes,
// with each point's rotation by one grid step.
struct DirectData {
  std::vector<double> tau, w, wy, cr, sr;
  std::size_t n = 0;
};

DirectData PrepareDirect(const PeriodogramSeries& s, double step) {
  DirectData d;
  d.n = (s.size() + kLanes - 1) / kLanes * kLanes;
  d.tau.assign(d.n, 0.0);
  d.w.assign(d.n, 0.0);
  d.wy.assign(d.n, 0.0);
  d.cr.assign(d.n, 1.0);
  d.sr.assign(d.n, 0.0);
  for (std::size_t j = 0; j < s.size(); ++j) {
    d.tau[j] = s.tau[j];
    d.w[j] = s.w[j];
    d.wy[j] = s.w[j] * s.y[j];
    CosSinCycles(step * s.tau[j], d.cr[j], d.sr[j]);
  }
  return d;
}

using TileSums = std::array<double, 6>;  // C, S, YC, YS, C2, S2

// Points a..b (a whole number of lanes) over `steps` frequencies from f0:
// the sines and cosines are evaluated exactly at f0 and then rotated.
template <bool kFull>
TERIL_WIDE_CLONES void RunPointTile(const DirectData& d, std::size_t a, std::size_t b, double f0,
                                    int steps, TileSums* sums) {
  alignas(64) double c[kPointTile], s[kPointTile];
  const std::size_t len = b - a;
  for (std::size_t j = 0; j < len; ++j) CosSinCycles(f0 * d.tau[a + j], c[j], s[j]);
  const double* w = d.w.data() + a;
  const double* wy = d.wy.data() + a;
  const double* cr = d.cr.data() + a;
  const double* sr = d.sr.data() + a;
  for (int k = 0; k < steps; ++k) {
    Lanes sc = {}, ss = {}, syc = {}, sys = {}, sc2 = {}, ss2 = {};
    for (std::size_t j = 0; j < len; j += kLanes) {
      Lanes cj, sj, wyj, crj, srj;
      Load(cj, c + j);
      Load(sj, s + j);
      Load(wyj, wy + j);
      syc += wyj * cj;
      sys += wyj * sj;
      if constexpr (kFull) {
        Lanes wj;
        Load(wj, w + j);
        sc += wj * cj;
        ss += wj * sj;
        sc2 += wj * (cj * cj - sj * sj);
        ss2 += wj * ((cj + cj) * sj);
      }
      Load(crj, cr + j);
      Load(srj, sr + j);
      Store(c + j, cj * crj - sj * srj);
      Store(s + j, cj * srj + sj * crj);
    }
    TileSums& t = sums[k];
    t[2] += Sum(syc);
    t[3] += Sum(sys);
    if constexpr (kFull) {
      t[0] += Sum(sc);
      t[1] += Sum(ss);
      t[4] += Sum(sc2);
      t[5] += Sum(ss2);
    }
  }
}

}  // namespace

PeriodogramSeries PrepareSeries(std::span<const double> t, std::span<const double> x,
                                std::span<const double> weights) {
  if (t.empty() || t.size() != x.size() || (!weights.empty() && weights.size() != t.size()))
    throw std::invalid_argument("PrepareSeries: arrays of different lengths");
  PeriodogramSeries s;
  const std::size_t n = t.size();
  auto [lo, hi] = std::minmax_element(t.begin(), t.end());
  s.span = *hi - *lo;
  s.tRef = (*lo + *hi) / 2;
  s.w.resize(n);
  double total = 0;
  for (std::size_t j = 0; j < n; ++j) total += weights.empty() ? 1.0 : weights[j];
  for (std::size_t j = 0; j < n; ++j) s.w[j] = (weights.empty() ? 1.0 : weights[j]) / total;
  s.tau.resize(n);
  s.y.resize(n);
  double mean = 0, tauMean = 0;
  for (std::size_t j = 0; j < n; ++j) {
    s.tau[j] = t[j] - s.tRef;
    mean += s.w[j] * x[j];
    tauMean += s.w[j] * s.tau[j];
  }
  s.mean = mean;
  double yy = 0, tt = 0;
  for (std::size_t j = 0; j < n; ++j) {
    s.y[j] = x[j] - mean;
    yy += s.w[j] * s.y[j] * s.y[j];
    tt += s.w[j] * (s.tau[j] - tauMean) * (s.tau[j] - tauMean);
  }
  s.yy = yy;
  s.timeVariance = tt;
  return s;
}

double GridCount(double fLow, double fHigh, double step) {
  // The relative allowance keeps fHigh itself on the grid when it lies on
  // a step up to rounding.
  return std::floor((fHigh - fLow) / step * (1 + 1e-12)) + 1;
}

SineFit SineFromSums(const TrigSums& m, double yy, PeriodogramMethod method) {
  SineFit r;
  if (method == PeriodogramMethod::Amplitude) {
    r.power = m.YC * m.YC + m.YS * m.YS;
    r.amplitude = 2 * std::sqrt(r.power);
    r.a = 2 * m.YC;
    r.b = 2 * m.YS;
    return r;
  }
  const double cc = 0.5 * (1 + m.C2) - m.C * m.C;
  const double ss = 0.5 * (1 - m.C2) - m.S * m.S;
  const double cs = 0.5 * m.S2 - m.C * m.S;
  const double trace = cc + ss;
  // trace = 1 - C^2 - S^2, the spread of the phases: near 0 (below about
  // f = 1 / (1800 span)) the sinusoid is a constant on these times and
  // explains nothing. The bound lies well above the fast method's error.
  if (!(trace > 1e-6) || !(yy > 0)) return r;
  const double det = cc * ss - cs * cs;
  if (det > 1e-9 * trace * trace) {
    r.a = (m.YC * ss - m.YS * cs) / det;
    r.b = (m.YS * cc - m.YC * cs) / det;
    r.power = (r.a * m.YC + r.b * m.YS) / yy;
  } else {
    // Cosine and sine are proportional on these times (f near 0, or a
    // frequency at which every time has the same phase modulo one half):
    // fit the one direction they span, the eigenvector of the eigenvalue
    // trace of the 2 x 2 matrix.
    double ux = cc >= ss ? cc : cs, uy = cc >= ss ? cs : ss;
    const double norm = std::hypot(ux, uy);
    ux /= norm;
    uy /= norm;
    const double proj = ux * m.YC + uy * m.YS;
    r.power = proj * proj / (trace * yy);
    r.a = ux * proj / trace;
    r.b = uy * proj / trace;
  }
  r.power = std::clamp(r.power, 0.0, 1.0);
  r.amplitude = std::hypot(r.a, r.b);
  return r;
}

TrigSums SumsAt(const PeriodogramSeries& s, double f) {
  TrigSums m;
  for (std::size_t j = 0; j < s.size(); ++j) {
    double c, sn;
    CosSinCycles(f * s.tau[j], c, sn);
    const double w = s.w[j], wy = w * s.y[j];
    m.C += w * c;
    m.S += w * sn;
    m.YC += wy * c;
    m.YS += wy * sn;
    m.C2 += w * (c * c - sn * sn);
    m.S2 += w * 2 * c * sn;
  }
  return m;
}

SineFit FitAt(const PeriodogramSeries& s, double f, PeriodogramMethod method) {
  return SineFromSums(SumsAt(s, f), s.yy, method);
}

bool DirectPeriodogram(const PeriodogramSeries& series, const FrequencyGrid& grid,
                       PeriodogramMethod method, PeriodogramValues& out,
                       const PeriodogramOptions& options) {
  const long long count = grid.count;
  out.power.assign(count, 0.0);
  out.amplitude.assign(count, 0.0);
  if (count <= 0) return true;
  const DirectData d = PrepareDirect(series, grid.step);
  const bool full = method == PeriodogramMethod::LombScargle;
  const long long tiles = (count + kAnchorInterval - 1) / kAnchorInterval;
  const long long chunks = static_cast<long long>((d.n + kPointChunk - 1) / kPointChunk);
  const long long totalUnits = tiles * chunks;

  std::atomic<long long> nextTile{0}, unitsDone{0};
  std::atomic<bool> stop{false};
  bool reported = false;  // the calling thread asked the progress callback
  // Each tile of frequencies is one thread's from its anchor to its end and
  // its point chunks are added in order, so every sum is formed in the
  // same order whatever the number of threads.
  auto work = [&](bool reports) {
    std::vector<TileSums> sums(kAnchorInterval);
    for (;;) {
      const long long tile = nextTile.fetch_add(1);
      if (tile >= tiles || stop.load()) return;
      const long long k0 = tile * kAnchorInterval;
      const int steps = static_cast<int>(std::min<long long>(kAnchorInterval, count - k0));
      std::fill(sums.begin(), sums.end(), TileSums{});
      const double f0 = grid.At(k0);
      for (std::size_t c0 = 0; c0 < d.n; c0 += kPointChunk) {
        const std::size_t c1 = std::min(d.n, c0 + kPointChunk);
        for (std::size_t a = c0; a < c1; a += kPointTile) {
          const std::size_t b = std::min(c1, a + kPointTile);
          if (full)
            RunPointTile<true>(d, a, b, f0, steps, sums.data());
          else
            RunPointTile<false>(d, a, b, f0, steps, sums.data());
        }
        const long long done = unitsDone.fetch_add(1) + 1;
        if (reports && options.progress) {
          reported = true;
          if (!options.progress(done, totalUnits)) stop = true;
        }
        if (stop.load()) return;
      }
      for (int k = 0; k < steps; ++k) {
        const TileSums& t = sums[k];
        const SineFit fit =
            SineFromSums(TrigSums{t[0], t[1], t[2], t[3], t[4], t[5]}, series.yy, method);
        out.power[k0 + k] = fit.power;
        out.amplitude[k0 + k] = fit.amplitude;
      }
    }
  };
  int threads =
      options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
  threads = static_cast<int>(std::clamp<long long>(threads, 1, std::min<long long>(tiles, 64)));
  RunOnThreads(threads, [&work](int slot) { work(slot == 0); });
  // On a short grid the other threads may take every tile before the
  // calling thread gets one: the callback is still asked once, so that a
  // stop is never missed.
  if (!reported && options.progress && !stop.load() && !options.progress(totalUnits, totalUnits))
    stop = true;
  return !stop.load();
}

double MedianSpacing(std::span<const double> t) {
  std::vector<double> sorted(t.begin(), t.end());
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> gaps;
  for (std::size_t i = 1; i < sorted.size(); ++i)
    if (sorted[i] > sorted[i - 1]) gaps.push_back(sorted[i] - sorted[i - 1]);
  if (gaps.empty()) return 0;
  const std::size_t mid = gaps.size() / 2;
  std::nth_element(gaps.begin(), gaps.begin() + mid, gaps.end());
  const double upper = gaps[mid];
  if (gaps.size() % 2) return upper;
  const double lower = *std::max_element(gaps.begin(), gaps.begin() + mid);
  return (lower + upper) / 2;
}

std::vector<long long> HighestPeaks(std::span<const double> v, int count) {
  const long long n = static_cast<long long>(v.size());
  if (count <= 0 || n == 0) return {};
  // "Better" = higher, or as high and earlier; the queue's top is the
  // worst of the peaks kept.
  auto better = [&v](long long a, long long b) { return v[a] > v[b] || (v[a] == v[b] && a < b); };
  std::priority_queue<long long, std::vector<long long>, decltype(better)> kept(better);
  for (long long k = 0; k < n; ++k) {
    bool peak;
    if (n == 1)
      peak = true;
    else if (k == 0)
      peak = v[0] > v[1];
    else if (k == n - 1)
      peak = v[k] > v[k - 1];
    else
      peak = v[k] > v[k - 1] && v[k] >= v[k + 1];
    if (!peak) continue;
    if (static_cast<int>(kept.size()) < count) {
      kept.push(k);
    } else if (better(k, kept.top())) {
      kept.pop();
      kept.push(k);
    }
  }
  std::vector<long long> peaks;
  while (!kept.empty()) {
    peaks.push_back(kept.top());
    kept.pop();
  }
  std::reverse(peaks.begin(), peaks.end());
  return peaks;
}

double ParabolaVertexOffset(double left, double mid, double right) {
  const double curvature = left - 2 * mid + right;
  if (curvature == 0) return 0;
  return 0.5 * (left - right) / curvature;
}

double BaluevBandwidth(double fLow, double fHigh, double timeVariance) {
  return (fHigh - fLow) * std::sqrt(4 * std::numbers::pi * timeVariance);
}

double BaluevFalseAlarm(double p, long long n, double W) {
  if (n <= 3) return 1;
  p = std::clamp(p, 0.0, 1.0);
  const double nH = static_cast<double>(n - 1), nK = static_cast<double>(n - 3);
  // (1 - p)^e without losing small p, and 0^0 = 1.
  auto oneMinusPTo = [p](double e) {
    if (e == 0) return 1.0;
    if (p >= 1) return 0.0;
    return std::exp(e * std::log1p(-p));
  };
  const double single = oneMinusPTo(nK / 2);
  const double gammaRatio = std::exp(std::lgamma(nH / 2) - std::lgamma((nH - 1) / 2));
  const double tau = W * gammaRatio * oneMinusPTo((nK - 1) / 2) * std::sqrt(p);
  if (single >= 1) return 1;
  const double fap = -std::expm1(std::log1p(-single) - tau);
  return std::clamp(fap, 0.0, 1.0);
}

std::vector<long long> MaxEnvelope(std::span<const double> v, long long capacity) {
  const long long n = static_cast<long long>(v.size());
  std::vector<long long> kept;
  if (n == 0 || capacity <= 0) return kept;
  const long long group = (n + capacity - 1) / capacity;
  for (long long g0 = 0; g0 < n; g0 += group) {
    const long long g1 = std::min(n, g0 + group);
    long long best = g0;
    for (long long k = g0 + 1; k < g1; ++k)
      if (v[k] > v[best]) best = k;
    kept.push_back(best);
  }
  return kept;
}

}  // namespace teril

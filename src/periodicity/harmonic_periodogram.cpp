#include "periodicity/harmonic_periodogram.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>
#include <thread>

#include "numeric/threads.h"
#include "periodicity/periodogram_kernel.h"

namespace teril {
namespace {

using periodogram_detail::CosSinCycles;
using Complex = std::complex<double>;

constexpr double kSpreadFloor = 1e-6;       // a harmonic whose phases spread less is left out
constexpr double kPivotFloor = 1e-9;        // relative pivot below which a column is left out
constexpr double kRidge = 1e-5;             // band terms' ridge, relative to the band's weight
constexpr long long kDirectBlock = 64;      // frequencies per unit of the direct sums
constexpr long long kEvaluateBlock = 4096;  // frequencies per unit of the fast path's solves

// The series with its bands numbered 0 .. B-1 without gaps and, for the
// multiband model, the signal about each band's own mean.
struct Prepared {
  int B = 1, K = 1, Kb = 0, mMax = 2;
  bool multiband = false;
  std::vector<int> band;
  std::vector<double> bandWeight;
  std::vector<double> y;  // about the (band) mean
  double yy = 0;
  std::size_t stride = 0;  // sums per band
  // Offsets of the sums within a band's block.
  std::size_t C(int m) const { return static_cast<std::size_t>(m); }
  std::size_t S(int m) const { return static_cast<std::size_t>(mMax + 1 + m); }
  std::size_t YC(int k) const { return static_cast<std::size_t>(2 * (mMax + 1) + k); }
  std::size_t YS(int k) const { return static_cast<std::size_t>(2 * (mMax + 1) + K + 1 + k); }
};

Prepared Prepare(const PeriodogramSeries& s, std::span<const int> bands, const HarmonicModel& m) {
  if (m.harmonics < 1 || m.harmonics > kMaxHarmonics || m.bandHarmonics < 0 ||
      m.bandHarmonics > m.harmonics)
    throw std::invalid_argument("HarmonicPeriodogram: harmonics out of range");
  Prepared p;
  p.K = m.harmonics;
  p.Kb = m.multiband ? m.bandHarmonics : 0;
  p.multiband = m.multiband;
  p.mMax = 2 * p.K;
  p.stride = static_cast<std::size_t>(2 * (p.mMax + 1) + 2 * (p.K + 1));
  const std::size_t n = s.size();
  CountBands(bands, n);
  p.band.assign(n, 0);
  if (m.multiband && !bands.empty()) {
    // Number the bands that hold points in order of their first appearance.
    std::vector<int> code(
        static_cast<std::size_t>(*std::max_element(bands.begin(), bands.end())) + 1, -1);
    int next = 0;
    for (std::size_t j = 0; j < n; ++j) {
      int& c = code[static_cast<std::size_t>(bands[j])];
      if (c < 0) c = next++;
      p.band[j] = c;
    }
    p.B = next;
  }
  p.bandWeight.assign(p.B, 0.0);
  std::vector<double> bandSum(p.B, 0.0);
  for (std::size_t j = 0; j < n; ++j) {
    p.bandWeight[p.band[j]] += s.w[j];
    bandSum[p.band[j]] += s.w[j] * s.y[j];
  }
  p.y.resize(n);
  for (std::size_t j = 0; j < n; ++j) {
    const int b = p.band[j];
    p.y[j] = p.multiband ? s.y[j] - bandSum[b] / p.bandWeight[b] : s.y[j];
    p.yy += s.w[j] * p.y[j] * p.y[j];
  }
  if (!p.multiband) p.yy = s.yy;
  return p;
}

// The exact sums of every band at frequency f (B blocks of `stride`).
void ExactSums(const PeriodogramSeries& s, const Prepared& p, double f, double* sums) {
  std::fill(sums, sums + p.B * p.stride, 0.0);
  double c[2 * kMaxHarmonics + 1], sn[2 * kMaxHarmonics + 1];
  c[0] = 1;
  sn[0] = 0;
  for (std::size_t j = 0; j < s.size(); ++j) {
    CosSinCycles(f * s.tau[j], c[1], sn[1]);
    for (int m = 2; m <= p.mMax; ++m) {
      c[m] = c[m - 1] * c[1] - sn[m - 1] * sn[1];
      sn[m] = sn[m - 1] * c[1] + c[m - 1] * sn[1];
    }
    double* q = sums + static_cast<std::size_t>(p.band[j]) * p.stride;
    const double w = s.w[j], wy = w * p.y[j];
    for (int m = 0; m <= p.mMax; ++m) {
      q[p.C(m)] += w * c[m];
      q[p.S(m)] += w * sn[m];
    }
    for (int k = 0; k <= p.K; ++k) {
      q[p.YC(k)] += wy * c[k];
      q[p.YS(k)] += wy * sn[k];
    }
  }
}

// One column of the model: cos(2 pi k f tau) (k = 0: the constant) or
// sin, of the base series (band -1) or of one band's series.
struct Column {
  int band, k;
  bool sine;
};

// The least-squares solution from the sums of one frequency.
class Solver {
 public:
  explicit Solver(const Prepared& p) : p_(p) {
    if (p.multiband) columns_.push_back({-1, 0, false});
    for (int k = 1; k <= p.K; ++k) {
      columns_.push_back({-1, k, false});
      columns_.push_back({-1, k, true});
    }
    if (p.multiband)
      for (int b = 0; b < p.B; ++b) {
        columns_.push_back({b, 0, false});
        for (int k = 1; k <= p.Kb; ++k) {
          columns_.push_back({b, k, false});
          columns_.push_back({b, k, true});
        }
      }
    n_ = columns_.size();
    a_.resize(n_ * n_);
    r_.resize(n_);
    x_.resize(n_);
    ridge_.resize(n_);
    keep_.resize(n_);
    total_.resize(p.stride);
  }

  // Solves from the sums; afterwards Power(), Amplitude(), X().
  void Solve(const double* sums) {
    const Prepared& p = p_;
    std::fill(total_.begin(), total_.end(), 0.0);
    for (int b = 0; b < p.B; ++b)
      for (std::size_t i = 0; i < p.stride; ++i) total_[i] += sums[b * p.stride + i];
    auto block = [&](int band) { return band < 0 ? total_.data() : sums + band * p.stride; };
    for (std::size_t i = 0; i < n_; ++i) {
      const Column& ci = columns_[i];
      const double* q = block(ci.band);
      // A harmonic whose phases do not spread over the points it covers.
      const double W = q[p.C(0)];
      keep_[i] = ci.k == 0 || W - (q[p.C(ci.k)] * q[p.C(ci.k)] + q[p.S(ci.k)] * q[p.S(ci.k)]) / W >
                                  kSpreadFloor * W;
      r_[i] = keep_[i] ? (ci.sine ? q[p.YS(ci.k)] : q[p.YC(ci.k)]) : 0.0;
      ridge_[i] = ci.band >= 0 ? kRidge * p.bandWeight[ci.band] : 0.0;
      for (std::size_t j = 0; j <= i; ++j) {
        const Column& cj = columns_[j];
        double v = 0;
        if (ci.band < 0 || cj.band < 0 || ci.band == cj.band) {
          // Both cover the points of the narrower column's block.
          const double* qq = block(std::max(ci.band, cj.band));
          v = Product(qq, ci, cj);
          if (!p.multiband) v -= Mean(qq, ci) * Mean(qq, cj);  // the constant eliminated
        }
        a_[i * n_ + j] = v;
      }
      a_[i * n_ + i] += ridge_[i];
    }
    Cholesky();
  }

  double Power() const {
    double fit = 0;
    for (std::size_t i = 0; i < n_; ++i) fit += x_[i] * r_[i] + ridge_[i] * x_[i] * x_[i];
    if (!(p_.yy > 0)) return 0;
    return std::clamp(fit / p_.yy, 0.0, 1.0);
  }
  double Amplitude() const {
    double sq = 0;
    for (std::size_t i = 0; i < n_; ++i)
      if (columns_[i].band < 0 && columns_[i].k > 0) sq += x_[i] * x_[i];
    return std::sqrt(sq);
  }
  // Coefficients of the base harmonics: a_k, b_k.
  void Base(std::vector<double>& a, std::vector<double>& b) const {
    a.assign(p_.K, 0.0);
    b.assign(p_.K, 0.0);
    for (std::size_t i = 0; i < n_; ++i)
      if (columns_[i].band < 0 && columns_[i].k > 0)
        (columns_[i].sine ? b : a)[columns_[i].k - 1] = x_[i];
  }

 private:
  double Mean(const double* q, const Column& c) const {
    return c.sine ? q[p_.S(c.k)] : q[p_.C(c.k)];
  }
  // <g_i g_j> by the product formulas from C_m and S_m.
  double Product(const double* q, const Column& u, const Column& v) const {
    const int d = std::abs(u.k - v.k), s = u.k + v.k;
    if (!u.sine && !v.sine) return 0.5 * (q[p_.C(d)] + q[p_.C(s)]);
    if (u.sine && v.sine) return 0.5 * (q[p_.C(d)] - q[p_.C(s)]);
    // cos(k x) sin(l x) = (sin((k + l) x) - sin((k - l) x)) / 2.
    const Column& c = u.sine ? v : u;
    const Column& sn = u.sine ? u : v;
    const double diff = c.k >= sn.k ? q[p_.S(d)] : -q[p_.S(d)];
    return 0.5 * (q[p_.S(s)] - diff);
  }

  // L L' = A over the kept columns (a column whose pivot falls below
  // kPivotFloor of its diagonal is dropped), then x = A^-1 r.
  void Cholesky() {
    const std::size_t n = n_;
    double* a = a_.data();
    for (std::size_t j = 0; j < n; ++j) {
      if (!keep_[j]) continue;
      double d = a[j * n + j];
      const double diag = d;
      for (std::size_t k = 0; k < j; ++k)
        if (keep_[k]) d -= a[j * n + k] * a[j * n + k];
      if (!(d > kPivotFloor * diag)) {
        keep_[j] = false;
        continue;
      }
      const double root = std::sqrt(d);
      a[j * n + j] = root;
      for (std::size_t i = j + 1; i < n; ++i) {
        if (!keep_[i]) continue;
        double v = a[i * n + j];
        for (std::size_t k = 0; k < j; ++k)
          if (keep_[k]) v -= a[i * n + k] * a[j * n + k];
        a[i * n + j] = v / root;
      }
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (!keep_[i]) {
        x_[i] = 0;
        continue;
      }
      double v = r_[i];
      for (std::size_t k = 0; k < i; ++k)
        if (keep_[k]) v -= a[i * n + k] * x_[k];
      x_[i] = v / a[i * n + i];
    }
    for (std::size_t i = n; i-- > 0;) {
      if (!keep_[i]) continue;
      double v = x_[i];
      for (std::size_t k = i + 1; k < n; ++k)
        if (keep_[k]) v -= a[k * n + i] * x_[k];
      x_[i] = v / a[i * n + i];
    }
    for (std::size_t i = 0; i < n; ++i)
      if (!keep_[i]) r_[i] = 0;
  }

  const Prepared& p_;
  std::vector<Column> columns_;
  std::size_t n_ = 0;
  std::vector<double> a_, r_, x_, ridge_, total_;
  std::vector<char> keep_;
};

int ThreadCount(int wanted, long long units) {
  int threads = wanted > 0 ? wanted : static_cast<int>(std::thread::hardware_concurrency());
  return static_cast<int>(std::clamp<long long>(threads, 1, std::min<long long>(units, 64)));
}

bool Direct(const PeriodogramSeries& s, const Prepared& p, const FrequencyGrid& grid,
            const PeriodSearchOptions& options, std::vector<double>& power,
            std::vector<double>& amplitude) {
  const long long blocks = (grid.count + kDirectBlock - 1) / kDirectBlock;
  std::atomic<long long> next{0}, done{0};
  std::atomic<bool> stop{false};
  auto work = [&](int slot) {
    std::vector<double> sums(p.B * p.stride);
    Solver solver(p);
    for (;;) {
      const long long block = next.fetch_add(1);
      if (block >= blocks || stop.load()) return;
      const long long k1 = std::min(grid.count, (block + 1) * kDirectBlock);
      for (long long k = block * kDirectBlock; k < k1; ++k) {
        ExactSums(s, p, grid.At(k), sums.data());
        solver.Solve(sums.data());
        power[k] = solver.Power();
        amplitude[k] = solver.Amplitude();
      }
      const long long d = done.fetch_add(1) + 1;
      if (slot == 0 && options.progress && !options.progress(d, blocks)) stop = true;
    }
  };
  RunOnThreads(ThreadCount(options.threads, blocks), work);
  return !stop.load();
}

// One array of the fast sums: the weights (or weights times signal) of one
// band, transformed at the multiple m of the grid's frequencies.
struct Job {
  int band, m;
  bool signal;
};

bool Fast(const PeriodogramSeries& s, const Prepared& p, const FrequencyGrid& grid,
          const PeriodSearchOptions& options, std::vector<double>& power,
          std::vector<double>& amplitude) {
  const std::size_t n = s.size();
  // Times from the earliest, as the fast method 1 takes them: the power
  // does not depend on the origin.
  const double tau0 = *std::min_element(s.tau.begin(), s.tau.end());
  std::vector<double> tau(n);
  for (std::size_t j = 0; j < n; ++j) tau[j] = s.tau[j] - tau0;
  std::vector<std::vector<double>> weight(p.B, std::vector<double>(n, 0.0)), signal = weight;
  for (std::size_t j = 0; j < n; ++j) {
    weight[p.band[j]][j] = s.w[j];
    signal[p.band[j]][j] = s.w[j] * p.y[j];
  }
  std::vector<Job> jobs;
  for (int m = 1; m <= p.mMax; ++m)
    for (int b = 0; b < p.B; ++b) {
      jobs.push_back({b, m, false});
      if (m <= p.K) jobs.push_back({b, m, true});
    }
  const long long J = static_cast<long long>(jobs.size());
  const int threads = ThreadCount(options.threads, J);
  // Each frequency of a chunk holds 16 bytes per job and each running
  // transform 128: about 256 MB at most.
  long long chunk =
      options.fastChunk > 0
          ? options.fastChunk
          : std::clamp<long long>((1LL << 28) / (16 * J + 128 * threads), 1 << 14, 1 << 20);
  const long long chunks = (grid.count + chunk - 1) / chunk;
  const long long evalBlocks = (std::min(chunk, grid.count) + kEvaluateBlock - 1) / kEvaluateBlock;
  const long long total = chunks * (J + evalBlocks);
  std::atomic<long long> done{0};
  std::atomic<bool> stop{false};
  const PeriodogramProgress goOn = [&stop](long long, long long) { return !stop.load(); };
  auto report = [&](int slot) {
    const long long d = done.fetch_add(1) + 1;
    if (slot == 0 && options.progress && !options.progress(std::min(d, total), total)) stop = true;
  };
  std::vector<std::vector<Complex>> results(J);
  for (long long k0 = 0; k0 < grid.count && !stop.load(); k0 += chunk) {
    const long long K = std::min(chunk, grid.count - k0);
    const double nu0 = grid.At(k0);
    std::atomic<long long> nextJob{0};
    RunOnThreads(threads, [&](int slot) {
      for (;;) {
        const long long i = nextJob.fetch_add(1);
        if (i >= J || stop.load()) return;
        const Job& job = jobs[i];
        const std::vector<double>* h[] = {job.signal ? &signal[job.band] : &weight[job.band]};
        std::vector<Complex>* o[] = {&results[i]};
        periodogram_detail::Steps steps{goOn};
        if (!periodogram_detail::Sums(tau, h, job.m * nu0, job.m * grid.step, K, o, steps)) return;
        report(slot);
      }
    });
    if (stop.load()) break;
    const long long blocks = (K + kEvaluateBlock - 1) / kEvaluateBlock;
    std::atomic<long long> nextBlock{0};
    RunOnThreads(ThreadCount(options.threads, blocks), [&](int slot) {
      std::vector<double> sums(p.B * p.stride);
      Solver solver(p);
      for (;;) {
        const long long block = nextBlock.fetch_add(1);
        if (block >= blocks || stop.load()) return;
        const long long k1 = std::min(K, (block + 1) * kEvaluateBlock);
        for (long long k = block * kEvaluateBlock; k < k1; ++k) {
          for (int b = 0; b < p.B; ++b) {
            double* q = sums.data() + b * p.stride;
            q[p.C(0)] = p.bandWeight[b];
            q[p.S(0)] = 0;
            q[p.YC(0)] = q[p.YS(0)] = 0;  // the signal is about each band's mean
          }
          for (long long i = 0; i < J; ++i) {
            const Job& job = jobs[i];
            double* q = sums.data() + job.band * p.stride;
            const Complex v = results[i][k];
            q[job.signal ? p.YC(job.m) : p.C(job.m)] = v.real();
            q[job.signal ? p.YS(job.m) : p.S(job.m)] = v.imag();
          }
          solver.Solve(sums.data());
          power[k0 + k] = solver.Power();
          amplitude[k0 + k] = solver.Amplitude();
        }
        report(slot);
      }
    });
  }
  return !stop.load();
}

}  // namespace

int CountBands(std::span<const int> bands, std::size_t points) {
  if (bands.empty()) return 1;
  if (bands.size() != points)
    throw std::invalid_argument("period search: one band per point is needed");
  int most = 0;
  for (int b : bands) {
    if (b < 0) throw std::invalid_argument("period search: a band below 0");
    most = std::max(most, b);
  }
  return most + 1;
}

bool HarmonicPeriodogram(const PeriodogramSeries& series, std::span<const int> bands,
                         const FrequencyGrid& grid, const HarmonicModel& model,
                         const PeriodSearchOptions& options, std::vector<double>& power,
                         std::vector<double>& amplitude) {
  const Prepared p = Prepare(series, bands, model);
  power.assign(std::max(0LL, grid.count), 0.0);
  amplitude.assign(std::max(0LL, grid.count), 0.0);
  if (grid.count <= 0) return true;
  bool fast = options.path == SumsPath::Fast;
  if (options.path == SumsPath::Automatic)
    fast = static_cast<double>(series.size()) * static_cast<double>(grid.count) * p.K > 2e7;
  return fast ? Fast(series, p, grid, options, power, amplitude)
              : Direct(series, p, grid, options, power, amplitude);
}

HarmonicFit HarmonicFitAt(const PeriodogramSeries& series, std::span<const int> bands, double f,
                          const HarmonicModel& model) {
  const Prepared p = Prepare(series, bands, model);
  std::vector<double> sums(p.B * p.stride);
  ExactSums(series, p, f, sums.data());
  Solver solver(p);
  solver.Solve(sums.data());
  HarmonicFit fit;
  fit.power = solver.Power();
  fit.amplitude = solver.Amplitude();
  solver.Base(fit.a, fit.b);
  // Half the range over one cycle, on a phase grid fine enough for the
  // sixth harmonic (the error of the extremes is below 1e-5 of the range).
  constexpr int kPhases = 4096;
  double lo = 0, hi = 0;
  for (int i = 0; i < kPhases; ++i) {
    const double x = 2 * std::numbers::pi * i / kPhases;
    double v = 0;
    for (int k = 1; k <= p.K; ++k)
      v += fit.a[k - 1] * std::cos(k * x) + fit.b[k - 1] * std::sin(k * x);
    lo = i == 0 ? v : std::min(lo, v);
    hi = i == 0 ? v : std::max(hi, v);
  }
  fit.semiAmplitude = (hi - lo) / 2;
  return fit;
}

}  // namespace teril

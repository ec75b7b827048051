// The fast periodogram (Press & Rybicki 1989, ApJ 338, 277): every sum
// sum_j h_j exp(2 pi i nu tau_j) over a regular grid of frequencies nu is
// taken at once by extirpolating the h_j onto a regular grid of times and
// transforming that grid.
//
// For the frequencies nu = nuC + m dnu (m = -K/2 .. K/2, nuC the middle of
// the band) the data are first moved to the middle of the band,
// g_j = h_j exp(2 pi i nuC tau_j), so that only |m| <= K/2 remains. The
// factor exp(2 pi i m dnu tau) has period 1/dnu in tau: the times are taken
// modulo 1/dnu onto L nodes (u = L dnu tau mod L), where
// exp(2 pi i m u / L) is replaced by its Lagrange interpolation from the
// kOrder nearest nodes. Spreading g_j over those nodes with the same
// weights and taking the inverse transform of the node values then gives
// every sum. With L = 4 K the interpolated wave has at least 8 nodes per
// cycle, where the interpolation through 16 nodes is off by about 1e-7.
#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <vector>

#include "numeric/fft.h"
#include "periodicity/periodogram.h"
#include "periodicity/periodogram_kernel.h"

namespace teril {
namespace periodogram_detail {
namespace {

using periodogram_detail::CosSinCycles;
using Complex = std::complex<double>;

constexpr int kOrder = 16;                    // nodes per extirpolated point
constexpr long long kGridRatio = 4;           // nodes per frequency of a chunk
constexpr long long kDefaultChunk = 1 << 20;  // frequencies per chunk (bounds the memory)
constexpr std::size_t kPointBlock = 1 << 16;  // points between two progress calls

// 1 / prod_{m != i} (i - m) for the nodes 0 .. kOrder-1.
std::array<double, kOrder> LagrangeDenominators() {
  std::array<double, kOrder> inv{};
  for (int i = 0; i < kOrder; ++i) {
    double p = 1;
    for (int m = 0; m < kOrder; ++m)
      if (m != i) p *= i - m;
    inv[i] = 1 / p;
  }
  return inv;
}

}  // namespace

bool Sums(std::span<const double> tau, std::span<const std::vector<double>* const> h, double nu0,
          double dnu, long long K, std::span<std::vector<Complex>* const> out, Steps& steps) {
  const long long half = K / 2;
  const double nuC = nu0 + static_cast<double>(half) * dnu;
  const long long L =
      std::max<long long>(static_cast<long long>(fft::FastSize(kGridRatio * K)), 4 * kOrder);
  static const std::array<double, kOrder> inv = LagrangeDenominators();
  const std::size_t arrays = h.size();
  std::vector<std::vector<Complex>> nodes(arrays, std::vector<Complex>(L));
  const double Ld = static_cast<double>(L);
  for (std::size_t j0 = 0; j0 < tau.size(); j0 += kPointBlock) {
    const std::size_t j1 = std::min(tau.size(), j0 + kPointBlock);
    for (std::size_t j = j0; j < j1; ++j) {
      double c, s;
      CosSinCycles(nuC * tau[j], c, s);
      const double cycles = tau[j] * dnu;
      double u = (cycles - std::floor(cycles)) * Ld;
      if (u >= Ld) u -= Ld;
      // Nodes base .. base+kOrder-1 around u; d is u seen from the first.
      const long long cell = static_cast<long long>(u);
      const long long base = cell - kOrder / 2 + 1;
      const double d = u - static_cast<double>(base);
      std::array<double, kOrder + 1> left{}, right{};
      left[0] = 1;
      for (int i = 0; i < kOrder; ++i) left[i + 1] = left[i] * (d - i);
      right[kOrder] = 1;
      for (int i = kOrder - 1; i >= 0; --i) right[i] = right[i + 1] * (d - i);
      long long idx = base < 0 ? base + L : base;
      for (int i = 0; i < kOrder; ++i) {
        const double weight = left[i] * right[i + 1] * inv[i];
        for (std::size_t r = 0; r < arrays; ++r) {
          const double hw = (*h[r])[j] * weight;
          nodes[r][idx] += Complex(hw * c, hw * s);
        }
        if (++idx == L) idx = 0;
      }
    }
    if (!steps.Next()) return false;
  }
  for (std::size_t r = 0; r < arrays; ++r) {
    std::vector<Complex> spectrum = fft::InverseComplex(nodes[r]);
    std::vector<Complex>().swap(nodes[r]);
    std::vector<Complex>& o = *out[r];
    o.resize(K);
    for (long long k = 0; k < K; ++k) {
      const long long m = k - half;
      o[k] = spectrum[m >= 0 ? m : m + L];
    }
    if (!steps.Next()) return false;
  }
  return true;
}

}  // namespace periodogram_detail

using periodogram_detail::Steps;
using periodogram_detail::Sums;
using Complex = std::complex<double>;
using periodogram_detail::kDefaultChunk;
using periodogram_detail::kPointBlock;

bool FastPeriodogram(const PeriodogramSeries& series, const FrequencyGrid& grid,
                     PeriodogramMethod method, PeriodogramValues& out,
                     const PeriodogramOptions& options) {
  const long long count = grid.count;
  out.power.assign(count, 0.0);
  out.amplitude.assign(count, 0.0);
  if (count <= 0 || series.size() == 0) return true;
  const bool full = method == PeriodogramMethod::LombScargle;
  // Times from the earliest: the sums then refer to another origin than
  // tRef, which changes neither the power nor the semi-amplitude.
  const double tau0 = *std::min_element(series.tau.begin(), series.tau.end());
  std::vector<double> tau(series.size()), wy(series.size());
  for (std::size_t j = 0; j < series.size(); ++j) {
    tau[j] = series.tau[j] - tau0;
    wy[j] = series.w[j] * series.y[j];
  }
  const long long chunk = options.fastChunk > 0 ? options.fastChunk : kDefaultChunk;
  const long long chunks = (count + chunk - 1) / chunk;
  const long long blocks = static_cast<long long>((tau.size() + kPointBlock - 1) / kPointBlock);
  Steps steps{options.progress};
  steps.total = chunks * (full ? 2 * blocks + 3 : blocks + 1);

  std::vector<Complex> a, b, dbl;
  for (long long k0 = 0; k0 < count; k0 += chunk) {
    const long long K = std::min(chunk, count - k0);
    const double nu0 = grid.At(k0);
    if (full) {
      const std::vector<double>* hs[] = {&series.w, &wy};
      std::vector<Complex>* os[] = {&a, &b};
      if (!Sums(tau, hs, nu0, grid.step, K, os, steps)) return false;
      const std::vector<double>* hd[] = {&series.w};
      std::vector<Complex>* od[] = {&dbl};
      if (!Sums(tau, hd, 2 * nu0, 2 * grid.step, K, od, steps)) return false;
    } else {
      const std::vector<double>* hs[] = {&wy};
      std::vector<Complex>* os[] = {&b};
      if (!Sums(tau, hs, nu0, grid.step, K, os, steps)) return false;
    }
    for (long long k = 0; k < K; ++k) {
      TrigSums m;
      m.YC = b[k].real();
      m.YS = b[k].imag();
      if (full) {
        m.C = a[k].real();
        m.S = a[k].imag();
        m.C2 = dbl[k].real();
        m.S2 = dbl[k].imag();
      }
      const SineFit fit = SineFromSums(m, series.yy, method);
      out.power[k0 + k] = fit.power;
      out.amplitude[k0 + k] = fit.amplitude;
    }
  }
  return true;
}

}  // namespace teril

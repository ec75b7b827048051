#include "periodicity/phase_fold.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace teril::phase_detail {
namespace {

// Sets of bin sums filled in turn by consecutive points: consecutive
// points often share a bin, and one set would make each addition wait for
// the previous one.
constexpr int kCopies = 4;

}  // namespace

FoldSeries MakeFoldSeries(const PeriodogramSeries& s) {
  FoldSeries f;
  const double first = *std::min_element(s.tau.begin(), s.tau.end());
  f.tFirst = s.tRef + first;
  f.tau.resize(s.size());
  f.w = s.w;
  f.wy.resize(s.size());
  for (std::size_t j = 0; j < s.size(); ++j) {
    f.tau[j] = s.tau[j] - first;
    f.wy[j] = s.w[j] * s.y[j];
  }
  f.yy = s.yy;
  return f;
}

std::uint64_t FractionOf(double x) {
  double r = x - std::floor(x);
  if (!(r < 1)) r = 0;  // a fraction that rounds up to a whole cycle
  // r <= 1 - 2^-53, so r 2^64 stays below 2^64.
  return static_cast<std::uint64_t>(r * 18446744073709551616.0);
}

Folder::Folder(const FoldSeries& series, int bins)
    : series_(series),
      bins_(bins),
      phase_(series.size()),
      step_(series.size()),
      bin_(series.size()),
      acc_(static_cast<std::size_t>(kCopies) * 2 * bins) {
  if (bins < 1 || bins > kMaxFoldBins) throw std::invalid_argument("Folder: bins out of range");
}

void Folder::Start(double f0, double df) {
  for (std::size_t j = 0; j < series_.size(); ++j) {
    phase_[j] = FractionOf(f0 * series_.tau[j]);
    step_[j] = FractionOf(df * series_.tau[j]);
  }
}

void Folder::FoldNext(double* s0, double* s1) {
  const std::size_t n = series_.size();
  const std::uint64_t bins = static_cast<std::uint64_t>(bins_);
  std::uint64_t* phase = phase_.data();
  const std::uint64_t* step = step_.data();
  std::uint16_t* bin = bin_.data();
  // The upper 32 bits of the phase times the bins, over 2^32: floor(phase
  // * bins) but for phases within 2^-32 of a bin's edge.
  for (std::size_t j = 0; j < n; ++j) {
    bin[j] = static_cast<std::uint16_t>(((phase[j] >> 32) * bins) >> 32);
    phase[j] += step[j];
  }
  std::fill(acc_.begin(), acc_.end(), 0.0);
  double* acc = acc_.data();
  const double* w = series_.w.data();
  const double* wy = series_.wy.data();
  const std::size_t set = 2 * static_cast<std::size_t>(bins_);
  std::size_t j = 0;
  for (; j + kCopies <= n; j += kCopies)
    for (int c = 0; c < kCopies; ++c) {
      double* a = acc + c * set + 2 * bin[j + c];
      a[0] += w[j + c];
      a[1] += wy[j + c];
    }
  for (; j < n; ++j) {
    double* a = acc + 2 * bin[j];
    a[0] += w[j];
    a[1] += wy[j];
  }
  for (int b = 0; b < bins_; ++b) {
    double v0 = 0, v1 = 0;
    for (int c = 0; c < kCopies; ++c) {
      v0 += acc[c * set + 2 * b];
      v1 += acc[c * set + 2 * b + 1];
    }
    s0[b] = v0;
    s1[b] = v1;
  }
}

}  // namespace teril::phase_detail

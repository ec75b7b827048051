#include "periodicity/spectral_window.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "base/numfmt.h"

namespace teril {
namespace {

// Frequencies transformed at once.
constexpr long long kWindowChunk = 1 << 20;
// Up to this product of points and frequencies the direct sums (exact to
// rounding) are quick enough; above it the fast method.
constexpr double kDirectWindowLimit = 1e8;

}  // namespace

std::string CheckSpectralGrid(double span, double fLow, double fHigh, double oversampling,
                              double limit) {
  if (!(span > 0) || !std::isfinite(span)) return "the points span no time";
  if (!(fLow >= 0) || !std::isfinite(fLow)) return "the lowest frequency must not be negative";
  if (!(fHigh > fLow)) return "the highest frequency must be above the lowest";
  if (!(oversampling > 0) || !std::isfinite(oversampling))
    return "the oversampling must be above 0";
  const double count = GridCount(fLow, fHigh, 1 / (oversampling * span));
  if (!(count <= limit))
    return "the grid would have " + General(count) + " frequencies, more than " + General(limit) +
           "; narrow the range or lower the oversampling";
  return "";
}

FrequencyGrid SpectralGrid(double span, double fLow, double fHigh, double oversampling) {
  const double step = 1 / (oversampling * span);
  return {fLow, step, static_cast<long long>(GridCount(fLow, fHigh, step))};
}

PeriodogramSeries WindowSeries(std::span<const double> t, std::span<const double> weights) {
  // Not PrepareSeries: the window is the transform of the weights
  // themselves, with no mean taken off.
  if (t.empty() || (!weights.empty() && weights.size() != t.size()))
    throw std::invalid_argument("WindowSeries: no times, or weights of a different length");
  PeriodogramSeries s;
  auto [lo, hi] = std::minmax_element(t.begin(), t.end());
  s.span = *hi - *lo;
  s.tRef = (*lo + *hi) / 2;
  double total = 0;
  for (std::size_t j = 0; j < t.size(); ++j) total += weights.empty() ? 1.0 : weights[j];
  for (std::size_t j = 0; j < t.size(); ++j) {
    s.tau.push_back(t[j] - s.tRef);
    s.y.push_back(1);
    s.w.push_back((weights.empty() ? 1.0 : weights[j]) / total);
  }
  s.mean = 0;
  s.yy = 1;
  return s;
}

bool SpectralWindow(const PeriodogramSeries& series, const FrequencyGrid& grid,
                    std::vector<double>& out, const PeriodogramProgress& progress) {
  out.assign(static_cast<std::size_t>(std::max(0LL, grid.count)), 0.0);
  PeriodogramValues values;
  PeriodogramOptions options;
  const long long chunks = (grid.count + kWindowChunk - 1) / kWindowChunk;
  long long chunk = 0;
  // Thousandths of the whole grid, across the parts.
  if (progress)
    options.progress = [&](long long done, long long total) {
      return progress(chunk * 1000 + done * 1000 / std::max(1LL, total), chunks * 1000);
    };
  for (long long k0 = 0; k0 < grid.count; k0 += kWindowChunk, ++chunk) {
    const long long count = std::min(kWindowChunk, grid.count - k0);
    const FrequencyGrid part{grid.At(k0), grid.step, count};
    const bool direct =
        static_cast<double>(series.size()) * static_cast<double>(count) <= kDirectWindowLimit;
    if (!(direct ? DirectPeriodogram(series, part, PeriodogramMethod::Amplitude, values, options)
                 : FastPeriodogram(series, part, PeriodogramMethod::Amplitude, values, options)))
      return false;
    // The semi-amplitude is 2 |sum w y exp(...)| with y = 1.
    for (long long k = 0; k < count; ++k) out[k0 + k] = values.amplitude[k] / 2;
  }
  return true;
}

}  // namespace teril

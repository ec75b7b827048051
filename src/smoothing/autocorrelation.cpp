#include "smoothing/autocorrelation.h"

#include <algorithm>

#include "data/editing.h"
#include "engine/engine.h"
#include "numeric/fft.h"

namespace teril {

std::vector<double> LaggedSumsDirect(std::span<const double> d) {
  const std::size_t m = d.size();
  std::vector<double> c(m, 0.0);
  for (std::size_t k = 0; k < m; ++k) {
    double sum = 0;
    for (std::size_t l = 0; l + k < m; ++l) sum += d[l] * d[l + k];
    c[k] = sum;
  }
  return c;
}

std::vector<double> LaggedSums(std::span<const double> d) {
  if (d.size() < kDirectLagSumsBelow) return LaggedSumsDirect(d);
  return fft::LaggedProducts(d, d.size() - 1);
}

bool Autocorrelate(Engine& e) {
  DataSet& data = e.data;
  ViewState& v = e.view;
  const int first = std::max(v.firstVisible, 1);
  const int last = std::min(v.lastVisible, data.n);
  data.xWidth = 9;
  data.xDecimals = 6;
  e.checks.inverseX = false;
  e.run.flags.magnitudeToIntensity = false;
  e.run.flags.intensityToMagnitude = false;
  if (last < first) return false;
  const int m = last - first + 1;

  double sum = 0;
  for (int i = first; i <= last; ++i) sum += data.x[i];
  const double mean = sum / m;
  std::vector<double> dev(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) dev[i] = data.x[first + i] - mean;
  const std::vector<double> c = LaggedSums(dev);
  if (!(c[0] > 0)) {
    e.LogLine("Autocorrelation: x is constant over the visible points; the data stay as they were");
    return false;
  }
  for (int k = 1; k <= m; ++k) {
    data.x[k] = c[k - 1] / c[0];
    data.t[k] = k - 1;
    data.t0[k] = k - 1;
  }
  data.tDecimals = 0;
  // s still holds the residuals of the light curve, which mean nothing
  // against the correlation coefficients.
  v.showFitMarks = false;
  return true;
}

Continuation AutocorrelationKey(Engine& e) {
  Autocorrelate(e);
  return Continuation::Full;
}

Continuation VisibleAutocorrelationKey(Engine& e) {
  ShortenToWindow(e);
  Autocorrelate(e);
  return Continuation::Full;
}

}  // namespace teril

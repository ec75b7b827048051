#include "smoothing/histogram.h"

#include <algorithm>
#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "plot/draw.h"

namespace teril {
namespace {

std::string Int(long long v, int width = 0) { return Str(v, width); }

}  // namespace

HistogramResult ComputeHistogram(const DataSet& d, const ViewState& v, int m) {
  HistogramResult h;
  h.m = m;
  h.counts.assign(static_cast<std::size_t>(m) + 1, 0);
  const int first = std::max(1, v.firstVisible);
  const int last = std::min(v.lastVisible, d.n);
  // Plain pointers and local sums: the compiler need not assume that a
  // count written may alias the data or the results.
  const double* t = d.t.data();
  const double* x = d.x.data();
  const double tMin = v.tMin, tMax = v.tMax, xMin = v.xMin;
  auto visible = [=](int i) { return t[i] >= tMin && t[i] <= tMax; };

  const double range = v.xMax - xMin;
  const double f = range != 0 ? m / range / 1.000001 : 0;
  int* counts = h.counts.data();
  int N = 0;
  double sum = 0;
  for (int i = first; i <= last; ++i) {
    if (!visible(i)) continue;
    // Formed in floating point and checked before it becomes an integer:
    // a point far outside the limits must not overflow the bin number.
    double b = 1;
    if (range != 0)
      b = std::trunc((x[i] - xMin) * f) + 1;
    else if (x[i] != xMin)
      continue;
    if (!(b >= 1 && b <= m)) continue;
    ++counts[static_cast<std::size_t>(b)];
    ++N;
    sum += x[i];
  }
  h.N = N;
  for (int b = 1; b <= m; ++b) h.maxCount = std::max(h.maxCount, counts[b]);
  if (N == 0) return h;  // mean 0, sigma 0, A 0, E -3
  h.mean = sum / N;

  double s2 = 0, s3 = 0, s4 = 0;
  for (int i = first; i <= last; ++i) {
    if (!visible(i)) continue;
    const double dv = x[i] - h.mean;
    const double d2 = dv * dv;
    s2 += d2;
    s3 += d2 * dv;
    s4 += d2 * d2;
  }
  const double M2 = s2 / h.N;
  h.sigma = std::sqrt(M2);
  if (h.N * M2 != 0) {
    h.asymmetry = s3 / (std::sqrt(M2) * h.N * M2);
    h.excess = s4 / (M2 * h.N * M2) - 3;
  }
  return h;
}

std::string HistogramOutline(const HistogramResult& h, double xMin, double xMax, int width,
                             int decimals) {
  const double range = xMax - xMin;
  auto edge = [&](int b) { return Str(xMin + range * b / h.m, width, decimals); };
  std::string out = edge(0) + " 0\n";
  for (int b = 1; b <= h.m; ++b) {
    const std::string c = Int(h.counts[b]);
    out += edge(b - 1) + " " + c + "\n";
    out += edge(b) + " " + c + "\n";
    out += edge(b) + " 0\n";
  }
  return out;
}

Continuation HistogramKey(Engine& e) {
  const ViewState& v = e.view;
  const DataSet& d = e.data;
  // No bins would leave nothing to count and no edges to write.
  const int m = std::max(1, e.eph.NNH);
  ClearPlot(e);
  SetPenColor(e, 12);
  DrawText(e, 180, 30, "nnh=" + Int(m));
  const HistogramResult h = ComputeHistogram(d, v, m);

  const int dec = e.run.tDecimalsAtLoad + 3;
  DrawRect(e, 0, 110, 119, 287);
  DrawText(e, 5, 130, " nj =" + Int(h.N, 6));
  DrawText(e, 5, 144, "mean=" + Str(h.mean, 10, dec));
  DrawText(e, 5, 160, "sigm=" + Str(h.sigma, 10, dec));
  DrawText(e, 5, 174, "Asymm.=" + Str(h.asymmetry, 8, 4));
  DrawText(e, 5, 190, "Excess=" + Str(h.excess, 8, 4));
  // Three estimates of one shape parameter, from the second, third and
  // fourth moments. A moment that is zero but for rounding could make one
  // of them overflow: such a value is not shown.
  auto shape = [&e](int row, const char* label, double value) {
    if (std::isfinite(value)) DrawText(e, 5, row, label + Str(value, 8, 4));
  };
  auto sq = [](double a) { return a * a; };
  if (h.sigma > 0) shape(204, "Alp_2=", sq(h.mean / h.sigma));
  if (h.asymmetry != 0) shape(220, "Alp_3=", sq(2 / h.asymmetry));
  if (h.mean != 0) shape(234, "(s/m)^2=", sq(h.sigma / h.mean));
  if (h.excess != 0) shape(250, "Alp_4=", 6 / h.excess);

  // Bars only when something was counted: the scale is the largest count.
  if (h.N > 0) {
    const double top = h.maxCount + std::sqrt(static_cast<double>(h.maxCount));
    auto X = [top](double count) { return static_cast<int>(std::trunc(630 - count / top * 500)); };
    for (int b = 1; b <= m; ++b) {
      const double c = h.counts[b];
      const double q = 1 - c / h.N;
      const double err = std::sqrt(std::max(0.0, c * q));  // binomial error of the count
      const int y1 = static_cast<int>(static_cast<long long>(b - 1) * 280 / m) + 10;
      const int y2 = static_cast<int>(static_cast<long long>(b) * 280 / m) + 10;
      SetPenColor(e, 12);
      DrawLine(e, X(c + err), y2, X(c + err), y1);
      DrawLine(e, X(c - err), y2, X(c - err), y1);
      SetPenColor(e, 11);
      DrawRect(e, X(c), y1, 630, y2);
    }
  }

  AppendToFile("_hist.dat", HistogramOutline(h, v.xMin, v.xMax, d.xWidth, d.xDecimals));
  e.console.FileWritten("_hist.dat");
  e.console.SetPrompt("Press any key to proceed...");
  e.console.WaitAnyKey();
  return Continuation::Window;
}

}  // namespace teril

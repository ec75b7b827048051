#include "smoothing/means.h"

#include <algorithm>
#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "plot/draw.h"

namespace teril {
namespace {

constexpr int kBinMeanDefault = 50;  // bins of a bin mean when NNH < 1

// Nearest integer, halves to even, kept inside +-1e8 so that a far value
// cannot overflow the pixel coordinate.
int RoundOffset(double v) {
  double r = std::nearbyint(v);
  if (!(r > -1e8)) return -100000000;
  if (r > 1e8) return 100000000;
  return static_cast<int>(r);
}

std::string Int(long long v, int width = 0) { return Str(v, width); }

// Sums of one group of points: t and x as they stand (the means are their
// plain quotients), x also about a reference value for the error of the
// mean.
struct GroupSums {
  int c = 0;
  double st = 0, sx = 0, sd = 0, sdd = 0;
  void Add(double t, double x, double ref) {
    ++c;
    st += t;
    sx += x;
    const double d = x - ref;
    sd += d;
    sdd += d * d;
  }
  MeanBin Mean() const {
    MeanBin b;
    b.count = c;
    if (c > 0) {
      b.tMean = st / c;
      b.xMean = sx / c;
      b.sigma = ErrorOfMean(c, sd, sdd);
    }
    return b;
  }
};

bool Visible(const Engine& e, int i) {
  return e.data.t[i] >= e.view.tMin && e.data.t[i] <= e.view.tMax;
}

// The positive values among `values` of the visible points.
std::vector<double> VisiblePositive(const Engine& e, const std::vector<double>& values) {
  std::vector<double> out;
  const int first = std::max(1, e.view.firstVisible);
  const int last = std::min(e.view.lastVisible, e.data.n);
  for (int i = first; i <= last; ++i)
    if (Visible(e, i) && values[i] > 0) out.push_back(values[i]);
  return out;
}

}  // namespace

double ErrorOfMean(int c, double sum, double sumSq) {
  if (c <= 1) return 0;
  const double m = sum / c;
  return std::sqrt(std::fabs(sumSq / c - m * m) / (c - 1));
}

std::vector<MeanBin> ComputeBinMeans(const DataSet& d, int first, int last, double tOrigin,
                                     double halfWidth, int m) {
  std::vector<GroupSums> sums(static_cast<std::size_t>(m) + 1);
  const double factor = m / (2 * halfWidth);  // bins per argument unit
  const double ref = first >= 1 && first <= last ? d.x[first] : 0;
  for (int i = std::max(1, first); i <= last; ++i) {
    // The bin number is formed in floating point and capped before it
    // becomes an integer, so a point far outside cannot overflow it.
    double b = std::trunc((d.t[i] - tOrigin) * factor) + 1;
    if (b > m) b = m;
    if (!(b > 0)) continue;
    sums[static_cast<std::size_t>(b)].Add(d.t[i], d.x[i], ref);
  }
  std::vector<MeanBin> bins(sums.size());
  for (std::size_t b = 1; b < sums.size(); ++b) bins[b] = sums[b].Mean();
  return bins;
}

void BinMean(Engine& e) {
  ViewState& v = e.view;
  const DataSet& d = e.data;
  if (e.eph.NNH < 1) e.eph.NNH = kBinMeanDefault;
  const int m = e.eph.NNH;
  SetPenColor(e, 12);
  DrawText(e, 0, 300, "nnh=" + Int(m));

  // A window of no width is drawn one unit wide; the bins follow it.
  const double halfWidth = v.halfWidth > 0 ? v.halfWidth : 1;
  const int last = std::min(v.lastVisible, d.n);
  e.means.bins = ComputeBinMeans(d, v.firstVisible, last, v.tOrigin, halfWidth, m);
  e.means.binsUsed = m;

  const int w = 500 / m;
  std::string records;
  for (int b = 1; b <= m; ++b) {
    const MeanBin& bin = e.means.bins[static_cast<std::size_t>(b)];
    if (bin.count == 0) continue;
    const int px = static_cast<int>(static_cast<long long>(b) * 500 / m) + 130;
    const int py = ToPixelY(e, bin.xMean);
    records += Str(bin.tMean, d.tWidth, d.tDecimals) + Str(bin.xMean, 8, 4) + Str(bin.sigma, 9, 4) +
               Str(bin.sigma * std::sqrt(bin.count), 9, 4) + Int(b, 3) + Int(bin.count, 4) + "\n";
    DrawLine(e, px, py, px - w, py);
    SetPenColor(e, 2);
    DrawLine(e, px, 10, px, 300);  // bin border
    SetPenColor(e, 12);
    if (bin.count > 1) {
      const int half = RoundOffset(bin.sigma * v.xScale);
      DrawRect(e, px, py + half, px - w, py - half);
    }
  }
  AppendToFile("_f4.dat", records);
  e.console.FileWritten("_f4.dat");
}

Continuation BinMeanKey(Engine& e) {
  BinMean(e);
  char consumed = 0;
  e.console.ReadKey(consumed);
  return Continuation::Wrap;
}

std::string PointMeanFileName(const std::string& inputFile, int nnh) {
  return ResultStem(inputFile) + "_" + Int(nnh) + "mean.dat";
}

Continuation PointMeanKey(Engine& e) {
  const DataSet& d = e.data;
  const ViewState& v = e.view;
  const int group = e.eph.NNH;
  SetPenColor(e, 12);
  DrawText(e, 530, 20, "nnh=" + Int(group));
  const std::string name = PointMeanFileName(e.run.inputFile, group);
  // A group of no points would never end the walk.
  const int size = std::max(1, group);
  std::string records;
  for (int start = 1; start <= d.n; start += size) {
    const int end = std::min(d.n, start + size - 1);
    GroupSums sums;
    for (int i = start; i <= end; ++i) sums.Add(d.t[i], d.x[i], d.x[start]);
    const MeanBin mean = sums.Mean();
    const int px = ToPixelX(e, mean.tMean);
    const int py = ToPixelY(e, mean.xMean);
    const int half = RoundOffset(v.xScale * mean.sigma);
    SetPenColor(e, 15);
    DrawCircle(e, px, py, 3);
    records += Str(mean.tMean, d.tWidth, d.tDecimals) +
               Str(mean.xMean, d.xWidth + 3, d.xDecimals + 2) +
               Str(mean.sigma, d.xWidth + 3, d.xDecimals + 2) + Int(mean.count, 5) + "\n";
    DrawLine(e, px, py + half, px, py - half);
  }
  AppendToFile(name, records);
  e.console.FileWritten(name);
  e.console.SetPrompt("Press any key to proceed");
  e.console.WaitAnyKey();
  return Continuation::Window;
}

ErrorSums SumErrors(const std::vector<double>& errors) {
  ErrorSums r;
  double lo = 0, hi = 0;
  for (double s : errors) {
    if (!(s > 0)) continue;
    if (r.count == 0 || s < lo) lo = s;
    if (r.count == 0 || s > hi) hi = s;
    ++r.count;
    r.sum += s;
  }
  if (r.count == 0) return r;
  // Weights relative to the largest one, (lo/s)^2 in (0, 1], and errors
  // relative to the largest one: no sum can overflow or vanish.
  double w1 = 0, w2 = 0, q = 0;
  for (double s : errors) {
    if (!(s > 0)) continue;
    const double w = (lo / s) * (lo / s);
    w1 += w;
    w2 += w * w;
    q += (s / hi) * (s / hi);
  }
  r.sumW = w1 / (lo * lo);
  r.effective = w1 * w1 / w2;
  r.harmonic = lo * std::sqrt(r.count / w1);
  r.rms = hi * std::sqrt(q / r.count);
  return r;
}

Continuation MeanErrorKey(Engine& e) {
  if (!e.data.weightsLoaded) {
    DrawText(e, 0, 210, "No weights loaded");
    return Continuation::Read;
  }
  const DataSet& d = e.data;
  auto f = [&d](double v) { return Str(v, d.xWidth + 3, d.xDecimals + 4); };
  DrawRect(e, 0, 160, 119, 220);
  const ErrorSums s = SumErrors(VisiblePositive(e, d.s));
  DrawText(e, 0, 160, " nj=" + Int(s.count));
  if (s.count > 0) {
    DrawText(e, 0, 210, "Neff=" + f(s.effective));
    // A sum of weights beyond the range of numbers is not shown; the
    // other values are computed without it.
    if (std::isfinite(s.sumW)) DrawText(e, 0, 198, "sum_w=" + f(s.sumW));
    DrawText(e, 0, 172, "<sig_h>=" + f(s.harmonic));
    DrawText(e, 0, 186, "sig_a=" + f(s.rms));
  }
  return Continuation::Read;
}

Continuation SigmaStatisticsKey(Engine& e) {
  const DataSet& d = e.data;
  auto f = [&d](double v) { return Str(v, d.xWidth + 3, d.xDecimals + 4); };
  DrawRect(e, 0, 160, 119, 220);
  const ErrorSums s = SumErrors(VisiblePositive(e, d.x));
  DrawText(e, 0, 160, " nj=" + Int(s.count));
  if (s.count > 0) {
    DrawText(e, 0, 170, "<sig>_w=" + f(s.harmonic));
    DrawText(e, 0, 190, "<sig>_1=" + f(s.sum / s.count));
    DrawText(e, 0, 200, "<sig>_2=" + f(s.rms));
    DrawText(e, 0, 210, "N_eff=" + f(s.effective));
  }
  return Continuation::Read;
}

}  // namespace teril

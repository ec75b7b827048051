// One scale of the running parabola scalegram: the running parabola at
// every point with its error terms, summed over the centres on both cores.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "numeric/threads.h"
#include "smoothing/running_parabola.h"
#include "smoothing/scalegram.h"

namespace teril {
namespace {

// Centres per block. Fixed, so that the order of the additions (points of
// a block in order, then the blocks in order) never depends on the number
// of threads.
constexpr int kBlock = 1024;

// Below this many point pairs per scale a second thread costs more than it
// saves.
constexpr double kParallelPairs = 2e5;

// The half-width of the central part of a window, in units of dt: a centre
// counts only with more than 3 points there.
constexpr double kU0 = 0.7;

// The first index in from..n where `past` holds, or n + 1; `past` must be
// false and then true along the index (ascending t).
template <class Past>
int Bisect(const double* t, int n, int from, Past past) {
  int lo = from, hi = n + 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (past(t[mid]))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

struct Totals {
  long long count = 0;
  double dof = 0, e = 0, R = 0, h2 = 0, r2 = 0, p = 0, p2 = 0;
  void Add(const Totals& o) {
    count += o.count;
    dof += o.dof;
    e += o.e;
    R += o.R;
    h2 += o.h2;
    r2 += o.r2;
    p += o.p;
    p2 += o.p2;
  }
};

// The centres first..last, in order; the smoothed values measured from
// xRef.
Totals BlockTotals(const double* t, const double* x, int n, int first, int last, double dt,
                   double xRef) {
  Totals tot;
  WindowRange window = WindowAt(t, n, t[first], dt, kU0);
  for (int i = first; i <= last; ++i) {
    AdvanceWindow(t, n, t[i], dt, kU0, window);
    const ScalegramSums s = WindowSums(t, x, window, i, dt, x[i]);
    const CentreTerms c = TermsOf(s, 0);
    if (!c.used) continue;
    const double p = c.p0 + (x[i] - xRef);
    ++tot.count;
    tot.dof += c.dof;
    tot.e += c.e;
    tot.R += c.R;
    tot.h2 += c.h2;
    tot.r2 += c.r2;
    tot.p += p;
    tot.p2 += p * p;
  }
  return tot;
}

double RootOrUndefined(double num, double den) {
  if (!(den > 0) || !(num >= 0)) return -1;
  const double v = std::sqrt(num / den);
  return std::isfinite(v) ? v : -1;
}

}  // namespace

WindowRange WindowAt(const double* t, int n, double tc, double dt, double u0) {
  WindowRange w;
  w.lo = FirstInWindow(t, n, 1, tc, dt);
  w.end = WindowEnd(t, n, w.lo, tc, dt);
  w.nearLo = Bisect(t, n, w.lo, [=](double tj) { return (tj - tc) / dt >= -u0; });
  w.nearEnd = Bisect(t, n, w.nearLo, [=](double tj) { return (tj - tc) / dt > u0; });
  return w;
}

void AdvanceWindow(const double* t, int n, double tc, double dt, double u0, WindowRange& w) {
  // The same tests as the bisections, so that both give the same edges.
  while (w.lo <= n && (t[w.lo] - tc) / dt <= -1) ++w.lo;
  w.end = std::max(w.end, w.lo);
  while (w.end <= n && (t[w.end] - tc) / dt < 1) ++w.end;
  w.nearLo = std::max(w.nearLo, w.lo);
  while (w.nearLo <= n && (t[w.nearLo] - tc) / dt < -u0) ++w.nearLo;
  w.nearEnd = std::max(w.nearEnd, w.nearLo);
  while (w.nearEnd <= n && (t[w.nearEnd] - tc) / dt <= u0) ++w.nearEnd;
}

// Four points at a time in the four lanes of a vector: with AVX2 one
// instruction per operation, otherwise two SSE2 ones; the same numbers
// either way (the same operations in the same order, no fused multiply-add).
#if defined(__x86_64__) && defined(__GNUC__)
#define TERIL_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TERIL_AVX2_CLONES
#endif
TERIL_AVX2_CLONES ScalegramSums WindowSums(
    const double* t, const double* x, const WindowRange& r, int i, double dt, double xShift) {
  using V4 = double __attribute__((vector_size(32)));
  const double tc = t[i];
  // Inside the window the weight needs u only to rounding; whether a point
  // is inside was decided with the quotient itself.
  const double inv = 1 / dt;
  const V4 tcv = {tc, tc, tc, tc}, invv = {inv, inv, inv, inv}, one = {1, 1, 1, 1};
  const V4 shift = {xShift, xShift, xShift, xShift};
  V4 S0 = {}, S1 = {}, S2 = {}, S3 = {}, S4 = {}, Y0 = {}, Y1 = {}, Y2 = {}, Q = {};
  V4 W0 = {}, W1 = {}, W2 = {}, W3 = {}, W4 = {};
  int j = r.lo;
  for (; j + 3 < r.end; j += 4) {
    V4 tj, xj;
    std::memcpy(&tj, t + j, sizeof tj);
    std::memcpy(&xj, x + j, sizeof xj);
    const V4 v = tj - tcv;
    const V4 u = v * invv;
    const V4 q = one - u * u;
    const V4 w = q * q;
    const V4 y = xj - shift;
    const V4 wv = w * v, wv2 = wv * v, wv3 = wv2 * v;
    S0 += w;
    S1 += wv;
    S2 += wv2;
    S3 += wv3;
    S4 += wv3 * v;
    Y0 += w * y;
    Y1 += wv * y;
    Y2 += wv2 * y;
    Q += w * y * y;
    const V4 ww = w * w, wwv = ww * v, wwv2 = wwv * v, wwv3 = wwv2 * v;
    W0 += ww;
    W1 += wwv;
    W2 += wwv2;
    W3 += wwv3;
    W4 += wwv3 * v;
  }
  ScalegramSums s;
  const V4* sums[14] = {&S0, &S1, &S2, &S3, &S4, &Y0, &Y1, &Y2, &Q, &W0, &W1, &W2, &W3, &W4};
  double* out[14] = {&s.S[0], &s.S[1], &s.S[2], &s.S[3], &s.S[4], &s.Y[0], &s.Y[1],
                     &s.Y[2], &s.Q,    &s.W[0], &s.W[1], &s.W[2], &s.W[3], &s.W[4]};
  for (int k = 0; k < 14; ++k) {
    const V4& a = *sums[k];
    *out[k] = (a[0] + a[1]) + (a[2] + a[3]);
  }
  for (; j < r.end; ++j) {
    const double v = t[j] - tc;
    const double u = v * inv;
    const double q = 1 - u * u;
    const double w = q * q;
    const double y = x[j] - xShift;
    const double wv = w * v, wv2 = wv * v, wv3 = wv2 * v;
    s.S[0] += w, s.S[1] += wv, s.S[2] += wv2, s.S[3] += wv3, s.S[4] += wv3 * v;
    s.Y[0] += w * y, s.Y[1] += wv * y, s.Y[2] += wv2 * y;
    s.Q += w * y * y;
    const double ww = w * w, wwv = ww * v, wwv2 = wwv * v, wwv3 = wwv2 * v;
    s.W[0] += ww, s.W[1] += wwv, s.W[2] += wwv2, s.W[3] += wwv3, s.W[4] += wwv3 * v;
  }
  s.near = r.nearEnd - r.nearLo;
  return s;
}

CentreTerms TermsOf(const ScalegramSums& s, double yc) {
  CentreTerms c;
  if (s.near <= 3) return c;
  const double* S = s.S;
  const double A = S[2] * S[4] - S[3] * S[3];
  const double B = S[2] * S[3] - S[1] * S[4];
  const double C = S[1] * S[3] - S[2] * S[2];
  const double det = A * S[0] + B * S[1] + C * S[2];
  if (!(det > 0)) return c;
  const double a00 = A / det, a01 = B / det, a02 = C / det;
  const double a11 = (S[0] * S[4] - S[2] * S[2]) / det;
  const double a12 = (S[1] * S[2] - S[0] * S[3]) / det;
  const double a22 = (S[0] * S[2] - S[1] * S[1]) / det;
  const double* Y = s.Y;
  const double p0 = a00 * Y[0] + a01 * Y[1] + a02 * Y[2];
  const double p1 = a01 * Y[0] + a11 * Y[1] + a12 * Y[2];
  const double p2 = a02 * Y[0] + a12 * Y[1] + a22 * Y[2];
  const double* W = s.W;
  // (a00 + a01 v + a02 v^2)^2 expanded in powers of v, weighted by w^2.
  const double h2 = a00 * a00 * W[0] + 2 * a00 * a01 * W[1] + (a01 * a01 + 2 * a00 * a02) * W[2] +
                    2 * a01 * a02 * W[3] + a02 * a02 * W[4];
  const double fitted = p0 * p0 * S[0] + 2 * p0 * p1 * S[1] + (p1 * p1 + 2 * p0 * p2) * S[2] +
                        2 * p1 * p2 * S[3] + p2 * p2 * S[4];
  const double R = s.Q - fitted;
  if (!(h2 > 0) || !(R > 0)) return c;
  c.used = true;
  c.dof =
      S[0] - (a00 * W[0] + a11 * W[2] + a22 * W[4] + 2 * (a01 * W[1] + a02 * W[2] + a12 * W[3]));
  c.e = h2 + 1 - 2 * a00;
  c.R = R;
  c.h2 = h2;
  c.r2 = (yc - p0) * (yc - p0);
  c.p0 = p0;
  return c;
}

std::optional<ScalegramRecord> ScalegramStep(const double* t, const double* x, int n, double dt,
                                             int threads,
                                             const std::function<bool(long long)>& progress,
                                             bool* stopAsked) {
  if (n < 1) return std::nullopt;
  const int blocks = (n + kBlock - 1) / kBlock;
  std::vector<Totals> partial(blocks);
  const double xRef = x[1];
  auto run = [&](int b) {
    const int first = 1 + b * kBlock;
    const int last = std::min(n, first + kBlock - 1);
    partial[b] = BlockTotals(t, x, n, first, last, dt, xRef);
  };

  if (threads <= 0) threads = static_cast<int>(std::thread::hardware_concurrency());
  threads = std::clamp(threads, 1, 8);
  // A rough count of the pairs: the points within dt of the middle point,
  // times n.
  const int mid = (n + 1) / 2;
  const double pairs =
      static_cast<double>(WindowEnd(t, n, 1, t[mid], dt) - FirstInWindow(t, n, 1, t[mid], dt)) * n;
  if (pairs < kParallelPairs || blocks < 2) threads = 1;

  std::atomic<int> next{0};
  std::atomic<long long> done{0};
  // Every thread takes blocks in turn; the calling thread (slot 0) reports
  // between its blocks.
  RunOnThreads(threads, [&](int slot) {
    for (int b; (b = next.fetch_add(1)) < blocks;) {
      run(b);
      done.fetch_add(1);
      if (slot == 0 && progress) {
        const long long centres = std::min<long long>(done.load() * kBlock, n);
        if (!progress(centres) && stopAsked) *stopAsked = true;
      }
    }
  });

  Totals tot;
  for (const Totals& p : partial) tot.Add(p);
  if (tot.count == 0) return std::nullopt;
  ScalegramRecord r;
  r.dt = dt;
  r.count = static_cast<int>(tot.count);
  r.n = n;
  const double count = static_cast<double>(tot.count);
  r.sigmaA = RootOrUndefined(tot.r2, tot.e);
  r.sigmaB = RootOrUndefined(tot.R, tot.dof);
  r.vBar = std::sqrt(tot.h2 / count);
  r.rhoRms = std::sqrt(tot.r2 / count);
  const double mean = tot.p / count;
  const double var = tot.p2 / count - mean * mean;
  r.SN = -1;
  if (var >= 0 && tot.count > 1 && r.sigmaA > 0 && r.vBar > 0) {
    const double sn = std::sqrt(count * var / (count - 1)) / r.vBar / r.sigmaA;
    if (std::isfinite(sn)) r.SN = sn;
  }
  return r;
}

std::string FormatScalegramRecord(const ScalegramRecord& r) {
  auto times = [](double a, double b) { return a < 0 ? -1.0 : a * b; };
  std::string line = Str(r.dt, 13, 6) + Str(static_cast<long long>(r.count), 6) +
                     Str(static_cast<long long>(r.n), 6);
  for (double v : {r.sigmaA, r.sigmaB, r.vBar, times(r.sigmaA, r.vBar), times(r.sigmaB, r.vBar),
                   r.rhoRms, r.SN})
    line += Str(v, 12, 8);
  return line;
}

}  // namespace teril

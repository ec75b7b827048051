#include "periodicity/trig_polynomial.h"

#include <algorithm>
#include <cmath>

#include "base/numfmt.h"
#include "lsq/invert_matrix.h"

namespace teril {

namespace {

// Relative size of a residual that counts as rounding noise (see
// TrigPolySums::Snap).
constexpr double kRoundingLevel = 1e-12;

}  // namespace

int TrigDegreeLimit(int nj) {
  if (nj > 11) return kMaxTrigDegree;
  if (nj < 1) return 0;
  return (nj - 1) / 2;
}

double TrigOmega(bool phased, double period) {
  if (phased) return kTwoPi;
  return period == 0 ? 0.0 : kTwoPi / period;
}

void TrigBasis(double angle, int degree, double* f) {
  f[1] = 1;
  if (degree < 1) return;
  const double c1 = std::cos(angle), s1 = std::sin(angle);
  double c = c1, s = s1;
  f[2] = c;
  f[3] = s;
  for (int k = 2; k <= degree; ++k) {
    const double cn = c * c1 - s * s1;
    s = s * c1 + c * s1;
    c = cn;
    f[2 * k] = c;
    f[2 * k + 1] = s;
  }
}

double TrigPolySums::Snap(double sum) const { return sum <= noiseFloor ? 0.0 : sum; }

TrigPolySums AccumulateTrigSums(const TrigPoints& p, double omega, int sMax) {
  TrigPolySums r;
  r.sMax = std::clamp(sMax, 0, kMaxTrigDegree);
  r.omega = omega;
  const int M = 2 * r.sMax + 1;

  // The mean first, so that b and D are sums of deviations (no cancellation
  // against a large mean magnitude).
  double sumX = 0, maxAbs = 0;
  for (int i = p.first; i <= p.last; ++i) {
    if (!p.Used(i)) continue;
    ++r.n;
    sumX += p.x[i];
    maxAbs = std::max(maxAbs, std::fabs(p.x[i]));
  }
  if (r.n == 0) return r;
  r.xMean = sumX / r.n;
  r.noiseFloor = r.n * (kRoundingLevel * maxAbs) * (kRoundingLevel * maxAbs);

  // Local sums: the compiler keeps them apart from the result and the basis.
  double a[kLsqDim][kLsqDim] = {};
  double b[kLsqDim] = {};
  double D = 0;
  double f[kLsqDim + 1];
  for (int i = p.first; i <= p.last; ++i) {
    if (!p.Used(i)) continue;
    TrigBasis(omega * p.t[i], r.sMax, f);
    const double d = p.x[i] - r.xMean;
    D += d * d;
    for (int k = 1; k <= M; ++k) {
      const double fk = f[k];
      b[k] += d * fk;
      double* row = a[k];
      for (int l = k; l <= M; ++l) row[l] += fk * f[l];
    }
  }
  for (int k = 1; k <= M; ++k) {
    r.b[k] = b[k];
    for (int l = k; l <= M; ++l) r.A[k][l] = r.A[l][k] = a[k][l];
  }
  r.D = D;
  return r;
}

TrigFit FitTrigPolynomial(const TrigPolySums& sums, int degree, LsqSystem& work) {
  TrigFit fit;
  fit.degree = degree;
  fit.m = 2 * degree + 1;
  const int m = fit.m;
  work.MatrixOrder = m;
  for (int i = 1; i <= m; ++i)
    for (int j = 1; j <= m; ++j) work.NormalMatrix[i][j] = sums.A[i][j];
  InvertMatrix(work);
  for (int i = 1; i <= m; ++i) {
    double c = 0;
    for (int j = 1; j <= m; ++j) c += work.NormalMatrix[i][j] * sums.b[j];
    fit.C[i] = c;
  }
  fit.degeneracy = work.DetRatio;
  return fit;
}

void TrigResidualSums(const TrigPoints& p, const TrigPolySums& sums, std::span<TrigFit> fits) {
  int degree = 0;
  for (TrigFit& fit : fits) {
    fit.rss = 0;
    degree = std::max(degree, fit.degree);
  }
  double f[kLsqDim + 1];
  for (int i = p.first; i <= p.last; ++i) {
    if (!p.Used(i)) continue;
    TrigBasis(sums.omega * p.t[i], degree, f);
    const double d = p.x[i] - sums.xMean;
    for (TrigFit& fit : fits) {
      double model = 0;
      for (int k = 1; k <= fit.m; ++k) model += fit.C[k] * f[k];
      const double r = d - model;
      fit.rss += r * r;
    }
  }
}

double TrigModel(const TrigFit& fit, double angle) {
  double f[kLsqDim + 1];
  TrigBasis(angle, fit.degree, f);
  double model = 0;
  for (int k = 1; k <= fit.m; ++k) model += fit.C[k] * f[k];
  return model;
}

DegreeRow DegreeStatistics(int n, double D, double rssPrev, const TrigFit& fit) {
  DegreeRow row;
  row.s = fit.degree;
  row.degeneracy = fit.degeneracy;
  const int m = fit.m;
  const double rss = fit.rss;
  row.exact = n <= m;
  const double freedom = n - m;
  if (!row.exact) row.sig0 = std::sqrt(rss / freedom);
  if (n > 0) row.xc = row.sig0 * std::sqrt(static_cast<double>(m) / n);
  // D - RSS is the variance the fit explains; rounding may put it a hair
  // below 0 for the constant term.
  if (row.xc > 0) row.snA = std::sqrt(std::max(0.0, D - rss) / n) / row.xc;
  if (!row.exact && rss > 0 && rssPrev > 0) {
    row.Lp = freedom * std::log10(rssPrev / rss);
    row.snF = (rssPrev / rss - 1) * freedom / 2;
  }
  if (fit.degree >= 1) row.ampl = std::hypot(fit.C[2 * fit.degree], fit.C[2 * fit.degree + 1]);
  if (!row.exact && row.sig0 > 0) row.amplSig = row.ampl * std::sqrt(freedom / 2) / row.sig0;
  return row;
}

std::vector<DegreeRow> ScanTrigDegrees(const TrigPoints& p, const TrigPolySums& sums, LsqSystem& work,
                                       std::vector<TrigFit>& fits) {
  fits.clear();
  for (int s = 0; s <= sums.sMax; ++s) fits.push_back(FitTrigPolynomial(sums, s, work));
  TrigResidualSums(p, sums, fits);
  const double D = sums.Snap(sums.D);
  std::vector<DegreeRow> rows;
  double rssPrev = D;
  for (TrigFit& fit : fits) {
    fit.rss = sums.Snap(fit.rss);
    if (fit.rss > rssPrev && fit.rss - rssPrev <= 1e-12 * rssPrev) fit.rss = rssPrev;
    rows.push_back(DegreeStatistics(sums.n, D, rssPrev, fit));
    rssPrev = fit.rss;
  }
  return rows;
}

namespace {

// A column of the row: right-aligned in its width; a value too wide for it
// gets a blank in front, so that it does not run into the column before.
std::string Column(double v, int width, int decimals) {
  std::string text = Str(v, width, decimals);
  return text[0] == ' ' ? text : " " + text;
}

}  // namespace

std::string DegreeRowText(const DegreeRow& row) {
  std::string text = Str(static_cast<long long>(row.s)) + " " + Str(row.sig0, 10, 5) + " " +
                     Str(row.xc, 10, 5) + Column(row.snA, 10, 5) + Column(row.degeneracy, 10, 7) +
                     Column(row.Lp, 7, 1) + Column(row.snF, 7, 1) + Column(row.ampl, 6, 3);
  // The 0 of an exact row keeps the width of the column, so that it does not
  // read as one more digit of Ampl.
  text += row.exact ? Str(0LL, 7) : Column(row.amplSig, 7, 1);
  return text;
}

std::vector<std::string> DegreeRowLog(const DegreeRow& row) {
  std::vector<std::string> lines{Str(static_cast<long long>(row.s)),
                                 General(row.sig0),
                                 General(row.xc),
                                 General(row.snA),
                                 General(row.degeneracy),
                                 General(row.Lp),
                                 General(row.snF),
                                 General(row.ampl)};
  if (!row.exact) lines.push_back(General(row.amplSig));
  return lines;
}

}  // namespace teril

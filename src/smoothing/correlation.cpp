#include "engine/engine.h"
#include "smoothing/correlation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace teril {

CorrelationState ComputeCorrelation(const DataSet& d, int first, int last, double tMin, double tMax,
                                    bool weighted) {
  CorrelationState c;
  c.weighted = weighted;
  first = std::max(first, 1);
  last = std::min(last, d.n);
  // The weight of point i, 0 when the point is left out.
  auto weight = [&](int i) -> double {
    if (d.t[i] < tMin || d.t[i] > tMax) return 0;
    if (!weighted) return 1;
    const double s = d.s[i];
    if (!(s > 0)) return 0;
    const double w = 1 / (s * s);
    // An error so small that its square underflows gives no finite weight.
    return std::isfinite(w) ? w : 0;
  };

  double W = 0, W2 = 0, Wt = 0, Wx = 0;
  int count = 0;
  for (int i = first; i <= last; ++i) {
    const double w = weight(i);
    if (w == 0) continue;
    ++count;
    W += w;
    W2 += w * w;
    Wt += w * d.t[i];
    Wx += w * d.x[i];
  }
  c.count = count;
  if (count == 0) return c;
  c.valid = true;
  c.W = W;
  c.tMean = Wt / W;
  c.xMean = Wx / W;
  c.nEff = W * W / W2;

  double Stt = 0, Sxx = 0, Stx = 0;
  if (count > (weighted ? 2 : 1)) {
    for (int i = first; i <= last; ++i) {
      const double w = weight(i);
      if (w == 0) continue;
      const double dt = d.t[i] - c.tMean, dx = d.x[i] - c.xMean;
      Stt += w * dt * dt;
      Sxx += w * dx * dx;
      Stx += w * dt * dx;
    }
  }
  c.sigmaT = std::sqrt(Stt / W);
  c.sigmaX = std::sqrt(Sxx / W);
  const double den = W * c.sigmaT * c.sigmaX;
  c.r = den > 0 ? std::clamp(Stx / den, -1.0, 1.0) : 0.0;

  const double r = c.r;
  c.sR = (r * r < 1 && c.nEff > 2) ? std::sqrt((1 - r * r) / (c.nEff - 2)) : 0.0;
  c.q = c.sR > 0 ? r / c.sR : kNoRatio;
  c.b = c.sigmaT > 0 ? r * c.sigmaX / c.sigmaT : 0.0;
  c.kT = r != 0 ? c.sigmaX / (c.sigmaT * r) : kNoRatio;
  if (!std::isfinite(c.kT)) c.kT = kNoRatio;
  c.SX = c.sigmaX * c.sR;
  if (c.q != 0) {
    c.sigmaB = c.b / c.q;
    c.sigmaD = (1 / c.kT) / c.q;
  } else {
    // r = 0 with an error: b/q would be 0/0. The error of the slope is
    // then sR sigmaX/sigmaT (and sR sigmaT/sigmaX for dt/dx), the value
    // b/q takes for every r != 0.
    c.sigmaB = c.sigmaT > 0 ? c.sR * c.sigmaX / c.sigmaT : kNoRatio;
    c.sigmaD = c.sigmaX > 0 ? c.sR * c.sigmaT / c.sigmaX : kNoRatio;
  }
  return c;
}

double UnbiasedDeviation(double sigma, double nEff) {
  const double g2 = nEff > 1 ? 1 - 1 / nEff : 0.0;
  return g2 > 0 ? sigma / std::sqrt(g2) : 0.0;
}

double ErrorOfMean(double sigma, double nEff) {
  return nEff > 1 ? sigma / std::sqrt(nEff - 1) : 0.0;
}

double OrthogonalSlope(double sigmaT, double sigmaX, double r) {
  // tan(2 alpha) = 2 cov / (var t - var x) for the angle alpha of the major
  // axis; atan2 puts 2 alpha in the right quadrant, so alpha is the major
  // and not the minor axis.
  const double theta = std::atan2(2 * r * sigmaT * sigmaX, sigmaT * sigmaT - sigmaX * sigmaX);
  const double phi = theta / 2;
  if (std::fabs(std::fabs(phi) - std::numbers::pi / 2) <= 1e-14) return 1e14;
  return std::sin(phi) / std::cos(phi);
}

double PerpendicularSlope(double k) { return k != 0 ? -1 / k : 1e14; }

LevelCrossing CrossingOfLevel(const CorrelationState& c, double level) {
  LevelCrossing lc;
  lc.tC = (level - c.xMean) / c.kT + c.tMean;
  // The error of tC - tMean = (level - xMean)/kT comes from the error of the
  // slope dt/dx = 1/kT; the error of tMean adds to it.
  const double slopePart = (level - c.xMean) * c.sigmaD;
  lc.sigmaC = std::sqrt(slopePart * slopePart + c.sigmaT * c.sigmaT / c.count);
  return lc;
}

LineEnds RegressionLineEnds(const ViewState& v, double tMean, double xMean, double m) {
  auto xAt = [&](double t) { return xMean + m * (t - tMean); };
  // Rows more than 140 pixels from row 150 lie outside the frame; the sign
  // of xScale only says which way the signal runs.
  auto outside = [&](double x) { return std::fabs((x - v.xMid) * v.xScale) > 140; };
  LineEnds e;
  e.ta = v.tMin;
  e.xa = xAt(e.ta);
  e.tb = v.tMax;
  e.xb = xAt(e.tb);
  if (m == 0) return e;  // a horizontal line through xMean stays inside
  const double tAtMid = tMean + (v.xMid - xMean) / m;
  const double halfSpan = std::fabs(140 / (v.xScale * m));
  if (outside(e.xa)) {
    e.ta = tAtMid - halfSpan;
    e.xa = xAt(e.ta);
  }
  if (outside(e.xb)) {
    e.tb = tAtMid + halfSpan;
    e.xb = xAt(e.tb);
  }
  return e;
}

std::vector<std::pair<double, double>> ErrorEllipse(const CorrelationState& c, double c2) {
  std::vector<std::pair<double, double>> points;
  points.reserve(500);
  c2 = std::max(c2, 0.0);
  const double r = c.r;
  for (int i = 0; i < 500; ++i) {
    const double alpha = i * 2 * std::numbers::pi / 499;
    // tan psi = tan alpha sigmaX/sigmaT with cos psi of the sign of cos alpha.
    const double psi = std::atan2(std::sin(alpha) * c.sigmaX, std::cos(alpha) * c.sigmaT);
    const double u = std::cos(psi) / c.sigmaT, v = std::sin(psi) / c.sigmaX;
    const double form = u * u - 2 * r * u * v + v * v;
    // The form is never negative for |r| <= 1; it is 0 only along the line
    // of a perfect correlation, where the ellipse has shrunk to a segment.
    const double rho = form > 0 ? std::sqrt(c2 / form) : 0.0;
    points.emplace_back(c.tMean + rho * std::cos(psi), c.xMean + rho * std::sin(psi));
  }
  return points;
}

}  // namespace teril

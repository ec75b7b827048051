#include "extrema/three_point_parabola.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "periodicity/phase.h"
#include "plot/draw.h"

namespace teril {
namespace {

constexpr const char* kSameTimesMessage = "Can't compute: several data at a same time!";
constexpr const char* kStraightLineMessage = "No extremum: the three points lie on a straight line";
constexpr const char* kLineBreak = "\n\r";

double SumOfSquares(const std::array<double, 4>& w) {
  return w[1] * w[1] + w[2] * w[2] + w[3] * w[3];
}

// A field of a "_3p_par.dat" line, right-aligned in its width. A number
// wider than its field still gets one blank before it, so that two fields
// never run together into one unreadable number.
std::string Field(double v, int width, int decimals) {
  std::string s = Str(v, width, decimals);
  if (s.empty() || s.front() != ' ') s.insert(s.begin(), ' ');
  return s;
}

std::string FileLine(const Engine& e, const ThreePointFit& f, double sigma0, bool withErrors) {
  const double phase = PhaseOfTime(e.eph, f.tE);
  std::string line = Str(f.tE, 10, 4);
  if (withErrors) {
    line += Field(f.sigmaSlope, 15, 10) + Field(f.sigmaT, 15, 10) + Field(f.xE, 15, 10) +
            Field(f.sigmaX, 15, 10) + Field(phase, 8, 5) + Field(f.sigmaT * e.eph.frequency, 8, 5) +
            Field(sigma0, 8, 5);
  } else {
    line += Field(f.xE, 15, 10) + Field(phase, 8, 5);
  }
  return line + "\n";
}

}  // namespace

ThreePointFit FitThreePoints(const std::array<double, 4>& t, const std::array<double, 4>& x,
                             double sigma0) {
  ThreePointFit f;
  const double h1 = t[2] - t[1], h2 = t[3] - t[2];
  f.h1 = h1;
  f.h2 = h2;
  // h1 + h2 = 0 means t_1 = t_3 (unsorted points): no parabola either.
  if (h1 == 0 || h2 == 0 || h1 + h2 == 0) {
    f.outcome = ThreePointFit::kSameTimes;
    return f;
  }
  const double s1 = (x[2] - x[1]) / h1, s2 = (x[3] - x[2]) / h2;
  f.l = (s1 * h2 + s2 * h1) / (h1 + h2);
  f.a = (s2 - s1) / (h1 + h2);
  // Points read as decimals are not exactly collinear in binary: a curvature
  // at the level of the rounding of t and x is no curvature (its vertex would
  // lie anywhere). The second difference h1 (x_3 - x_2) - h2 (x_2 - x_1) is
  // compared with what the rounding of the six numbers can make of it.
  const double eps = std::numeric_limits<double>::epsilon();
  const double dx1 = x[2] - x[1], dx2 = x[3] - x[2];
  const double xScale = std::max({std::fabs(x[1]), std::fabs(x[2]), std::fabs(x[3])});
  const double tScale = std::max({std::fabs(t[1]), std::fabs(t[2]), std::fabs(t[3])});
  const double noise =
      8 * eps *
      (xScale * (std::fabs(h1) + std::fabs(h2)) + tScale * (std::fabs(dx1) + std::fabs(dx2)));
  if (f.a == 0 || std::fabs(h1 * dx2 - h2 * dx1) <= noise) {
    f.outcome = ThreePointFit::kStraightLine;
    return f;
  }
  const double a = f.a, tau = -f.l / (2 * a);
  f.tauE = tau;
  f.tE = t[2] + tau;

  const double D = h1 * h2 * (h1 + h2);
  f.wl = {0, -h2 * h2 / D, (h2 - h1) * (h2 + h1) / D, h1 * h1 / D};
  f.wa = {0, h2 / D, -(h1 + h2) / D, h1 / D};
  // t_e = t_2 - l/(2a): dt_e/dx_k = -(wl_k/(2a) + (tau_e/a) wa_k), so the
  // factor of wa_k is tau_e/a (a time over a curvature, as g_k must be).
  const double c = tau / a;
  for (int k = 1; k <= 3; ++k) f.g[k] = f.wl[k] / (2 * a) + c * f.wa[k];
  f.sigmaSlope = sigma0 * std::sqrt(SumOfSquares(f.wl)) / (2 * a);
  f.sigmaT = sigma0 * std::sqrt(SumOfSquares(f.g));

  f.lagrange = {0, tau * (tau - h2) / (h1 * (h1 + h2)), -(tau + h1) * (tau - h2) / (h1 * h2),
                tau * (tau + h1) / (h2 * (h1 + h2))};
  f.xE = f.lagrange[1] * x[1] + f.lagrange[2] * x[2] + f.lagrange[3] * x[3];
  f.sigmaX = sigma0 * std::sqrt(SumOfSquares(f.lagrange));

  // A curvature that is not zero but tiny against the slope puts the
  // vertex beyond the doubles: no usable extremum either.
  for (double v : {f.tE, f.sigmaSlope, f.sigmaT, f.xE, f.sigmaX})
    if (!std::isfinite(v)) f.outcome = ThreePointFit::kStraightLine;
  return f;
}

void ThreePointParabola(Engine& e) {
  const DataSet& d = e.data;
  const ViewState& v = e.view;
  const int first = v.firstVisible, last = v.lastVisible;
  if (first < 1 || last > d.n || last - first < 2) {
    e.host.MessageBox("Can't compute: the 3-point parabola needs 3 visible points");
    return;
  }
  // The current point, kept inside the window, then one point inwards from
  // either edge so that both neighbours are visible points.
  int j = std::clamp(v.j, first, last);
  if (j == first) j = first + 1;
  if (j == last) j = last - 1;

  const double sigma0 = ParseNumber(e.classical.sigma0Text).value_or(1.0);
  const ThreePointFit f = FitThreePoints({0, d.t[j - 1], d.t[j], d.t[j + 1]},
                                         {0, d.x[j - 1], d.x[j], d.x[j + 1]}, sigma0);
  if (f.outcome == ThreePointFit::kSameTimes) {
    e.host.MessageBox(kSameTimesMessage);
    return;
  }
  if (f.outcome == ThreePointFit::kStraightLine) {
    e.host.MessageBox(kStraightLineMessage);
    return;
  }
  const bool withErrors = e.checks.sigmaInList;
  AppendToFile(ResultStem(e.run.inputFile) + "_3p_par.dat", FileLine(e, f, sigma0, withErrors));
  e.console.FileWritten(ResultStem(e.run.inputFile) + "_3p_par.dat");

  if (e.canvas) e.canvas->FillRect(0, 130, 118, 287, Rgb{255, 255, 255});

  const int tw = d.tWidth + 2, td = d.tDecimals + 2;
  const int xw = d.xWidth + 2, xd = d.xDecimals + 2;
  std::string lastText = Str(f.tE, tw, td);
  std::string M = "t_e=" + lastText;
  if (withErrors) {
    lastText = Str(f.sigmaT, tw, td);
    M += " +- " + lastText;
  }
  e.LogLine(lastText);
  M += kLineBreak;
  const double reciprocal = 1 / f.tE;
  const bool hasReciprocal = f.tE > 0 && std::isfinite(reciprocal);
  if (hasReciprocal) M += "1/t_e=" + General(reciprocal) + kLineBreak;
  if (e.run.flags.lgT) {
    const double power = std::pow(10.0, f.tE);
    e.LogLine(std::isfinite(power) ? "=lg " + General(power) : std::string("=lg (beyond range)"));
  } else if (hasReciprocal) {
    // The period candidate that key #16 takes (a periodogram's axis is a
    // frequency, so the top's argument is one over a period).
    e.classical.lastParabolaPeriod = reciprocal;
    e.classical.lastPeriodEpoch = std::numeric_limits<double>::quiet_NaN();
    e.view.reciprocalT = reciprocal;
    e.LogLine("=1/ " + General(reciprocal));
  } else {
    e.LogLine(lastText);
  }
  std::string xText = "x_e=" + Str(f.xE, xw, xd);
  if (withErrors) xText += " +- " + Str(f.sigmaX, xw, xd);
  M += xText;
  e.LogLine(xText);

  // With x_e > 0 and t_e <= 15 both values are finite: the step cannot fail
  // on a numeric error.
  if (!withErrors && f.xE > 0 && f.tE <= 15) {
    const std::string p = "P_lam=" + Str(std::pow(10.0, f.tE) / 1.1064, tw, td);
    e.LogLine(p);
    DrawText(e, 0, 195, p);
    M += kLineBreak + p + kLineBreak;
    const std::string r = "R_lam=" + Str(std::sqrt(f.xE / 2.52065), xw, xd);
    DrawText(e, 0, 280, r);
    e.LogLine(r);
    M += r + kLineBreak;
  }

  const int px = ToPixelX(e, f.tE), py = ToPixelY(e, f.xE);
  DrawCircle(e, px, py, 3);
  DrawLine(e, px - 5, py, px + 5, py);
  DrawLine(e, px, py - 5, px, py + 5);

  e.host.MessageBox(M);
}

Continuation ThreePointParabolaKey(Engine& e) {
  e.LogLine("3-point parabola");
  ThreePointParabola(e);
  return Continuation::Wrap;
}

}  // namespace teril

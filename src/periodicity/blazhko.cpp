#include "periodicity/blazhko.h"

#include <cmath>
#include <numbers>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "lsq/blazhko_mode.h"
#include "lsq/fit.h"
#include "lsq/fit_kernel.h"
#include "lsq/invert_matrix.h"

namespace teril {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kProgressTotal = kBlazhkoScanSteps + kBlazhkoPassLimit + 1;
constexpr const char* kProgressText = "Blazhko effect";

// The five harmonic terms 1, a1, b1, a2, b2 at u (the factors of the
// three modulation terms 1, cB, sB).
struct Terms {
  double h[5];
  double cB, sB;
};

Terms TermsAt(double f1, double f2, double u) {
  const double p = kTwoPi * f1 * u;
  const double q = kTwoPi * f2 * u;
  return {{1.0, std::cos(p), std::sin(p), std::cos(2.0 * p), std::sin(2.0 * p)},
          std::cos(q),
          std::sin(q)};
}

// A fit is usable when its system was not singular and it left finite
// numbers: a zero pivot leaves the inverse partly transformed, and its
// coefficients mean nothing.
bool Usable(const LsqState& s) {
  if (s.Determinant == 0.0 || !std::isfinite(s.ResidualSum)) return false;
  for (int i = 1; i <= kBlazhkoLinear; ++i)
    if (!std::isfinite(s.Coef[i])) return false;
  return true;
}

// The 17 x 17 correction at f1, f2 with C1..C15 and the residuals r of the
// linear step just made: the normal equations of the basis and the two
// derivative columns against r. Leaves the inverse in s and the
// corrections of f1 and f2; false when the system is singular.
bool Correction(LsqState& s, double f1, double f2, double& d16, double& d17) {
  constexpr int n = kBlazhkoParams;
  s.ClearSystem();
  for (int k = 1; k <= s.N; ++k) {
    double g[n + 1];
    BlazhkoBasis(f1, f2, s.u[k], g);
    BlazhkoDerivatives(s.Coef, f1, f2, s.u[k], g[16], g[17]);
    const double rk = s.r[k];
    for (int i = 1; i <= n; ++i) {
      s.B[i] += rk * g[i];
      for (int j = i; j <= n; ++j) s.NormalMatrix[i][j] += g[i] * g[j];
    }
  }
  for (int i = 1; i <= n; ++i)
    for (int j = i + 1; j <= n; ++j) s.NormalMatrix[j][i] = s.NormalMatrix[i][j];
  s.MatrixOrder = n;
  InvertMatrix(s);
  if (s.Determinant == 0.0) return false;
  d16 = d17 = 0.0;
  for (int j = 1; j <= n; ++j) {
    d16 += s.NormalMatrix[16][j] * s.B[j];
    d17 += s.NormalMatrix[17][j] * s.B[j];
  }
  return std::isfinite(d16) && std::isfinite(d17);
}

std::string Num(double v) { return General(v); }

// sqrt(Sigma2 * q) for a diagonal element q of the inverse; 9999 where no
// error is defined.
double ErrorOf(double sigma2, double q) { return q >= 0 ? std::sqrt(sigma2 * q) : 9999.0; }

void WriteCurve(Engine& e, double sigma2) {
  const LsqState& s = e.lsq;
  static const int idx[kBlazhkoLinear] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string out = "t x_c x_c-sigmx_c x_c+sigmx_c\n";
  out.reserve(out.size() + kBlazhkoCurveLines * (4 * 24));
  for (int k = 0; k < kBlazhkoCurveLines; ++k) {
    const double phase = k / 100.0;
    double f[kBlazhkoLinear + 1];
    BlazhkoBasis(phase, k / 2000.0, 1.0, f);
    double xc = 0.0;
    for (int i = 1; i <= kBlazhkoLinear; ++i) xc += s.Coef[i] * f[i];
    const double q = QuadraticForm(s, idx, f + 1, kBlazhkoLinear);
    const double sigma = q >= 0 ? std::sqrt(q * sigma2) : 10.0;
    out +=
        Sci23(phase) + " " + Sci23(xc) + " " + Sci23(xc - sigma) + " " + Sci23(xc + sigma) + "\n";
  }
  WriteFile(BlazhkoCurveFileName(e.run.inputFile), out);
  e.console.FileWritten(BlazhkoCurveFileName(e.run.inputFile));
}

}  // namespace

void BlazhkoBasis(double f1, double f2, double u, double* f) {
  const Terms t = TermsAt(f1, f2, u);
  for (int g = 0; g < 5; ++g) {
    f[3 * g + 1] = t.h[g];
    f[3 * g + 2] = t.h[g] * t.cB;
    f[3 * g + 3] = t.h[g] * t.sB;
  }
}

double BlazhkoModel(const double* C, double f1, double f2, double u) {
  double f[kBlazhkoLinear + 1];
  BlazhkoBasis(f1, f2, u, f);
  double v = 0.0;
  for (int i = 1; i <= kBlazhkoLinear; ++i) v += C[i] * f[i];
  return v;
}

void BlazhkoDerivatives(const double* C, double f1, double f2, double u, double& d1, double& d2) {
  const Terms t = TermsAt(f1, f2, u);
  const double w = kTwoPi * u;
  // d/df1 of the harmonic terms: 1 -> 0, a1 -> -w b1, b1 -> w a1,
  // a2 -> -2w b2, b2 -> 2w a2.
  const double dh[5] = {0.0, -w * t.h[2], w * t.h[1], -2.0 * w * t.h[4], 2.0 * w * t.h[3]};
  d1 = 0.0;
  d2 = 0.0;
  for (int g = 0; g < 5; ++g) {
    const double c0 = C[3 * g + 1], cc = C[3 * g + 2], cs = C[3 * g + 3];
    // The modulated amplitude of the term, and its derivative in f2
    // (cB -> -w sB, sB -> w cB).
    d1 += dh[g] * (c0 + cc * t.cB + cs * t.sB);
    d2 += t.h[g] * w * (cs * t.cB - cc * t.sB);
  }
}

bool BlazhkoIterationDone(double d16, double d17, int passes) {
  return std::fabs(d17) <= kBlazhkoTolerance || std::fabs(d16) <= kBlazhkoTolerance ||
         passes > kBlazhkoPassLimit;
}

double BlazhkoScanFrequency(double from, double to, int k) {
  return from + (to - from) * k / (kBlazhkoScanSteps - 1);
}

std::string BlazhkoScanFileName(const std::string& inputFile) {
  return ResultStem(inputFile) + "_blazhko_period.dat";
}

std::string BlazhkoCurveFileName(const std::string& inputFile) {
  return ResultStem(inputFile) + "_blazhko.dat";
}

void BlazhkoFit(Engine& e) {
  LsqState& s = e.lsq;
  BlazhkoState& b = e.blazhko;
  b.completed = b.converged = false;
  b.N = b.passes = 0;
  b.meanTime = b.scanBest = b.f1 = b.f2 = b.f1Sigma = b.f2Sigma = b.lastCorrection = 0.0;
  b.ResidualSum = b.Sigma2 = b.sigma0 = 0.0;
  for (int i = 1; i <= kMaxUnknowns; ++i) s.Coef[i] = 0.0;

  double f1 = b.mainFrequency, f2 = b.fromFrequency;
  BlazhkoModeScope mode(
      s, [&f1, &f2](double u, double* f) { BlazhkoBasis(f1, f2, u, f); }, kBlazhkoLinear,
      kBlazhkoParams);

  const int first = e.view.firstVisible;
  const int N = e.view.lastVisible - first + 1;
  b.N = N > 0 ? N : 0;
  if (N < kBlazhkoParams) {
    e.LogLine("Number of points too small.");
    e.LogLine("Number of coef = " + Num(kBlazhkoParams));
    e.approx.ExtremumTimeSigma = kTooFewPoints;
    return;
  }

  // t-bar taken relative to the first point: Julian dates of 2.4e6 summed
  // over a million points would lose the digits of the phases.
  const DataSet& d = e.data;
  double shift = 0.0;
  for (int k = 0; k < N; ++k) shift += d.t[first + k] - d.t[first];
  const double tBar = d.t[first] + shift / N;
  b.meanTime = tBar;
  s.N = N;
  for (int k = 1; k <= N; ++k) {
    s.u[k] = d.t[first + k - 1] - tBar;
    s.y[k] = d.x[first + k - 1];
  }

  ProgressScope progress(e.host);
  auto stopped = [&e] { e.LogLine("Blazhko fit stopped."); };

  // Scan of the modulation frequency at the given main frequency.
  std::string scan;
  double best = kRejectedSum, bestF2 = 0.0;
  bool found = false;
  for (int k = 0; k < kBlazhkoScanSteps; ++k) {
    f2 = BlazhkoScanFrequency(b.fromFrequency, b.toFrequency, k);
    FitWithBasis(s);
    const double sum = Usable(s) ? s.ResidualSum : kRejectedSum;
    scan += Sci23(f2) + " " + Sci23(std::sqrt(UnitVariance(sum, N, kBlazhkoParams))) + "\n";
    if (sum < best) {
      best = sum;
      bestF2 = f2;
      found = true;
    }
    if (!progress.Step(k + 1, kProgressTotal, kProgressText)) return stopped();
  }
  WriteFile(BlazhkoScanFileName(e.run.inputFile), scan);
  e.console.FileWritten(BlazhkoScanFileName(e.run.inputFile));
  if (!found) {
    e.LogLine("The normal system is singular at every modulation frequency of the scan.");
    return;
  }
  f2 = bestF2;
  b.scanBest = f2;

  // Gauss-Newton passes: the linear step gives C1..C15 at f1, f2, the
  // correction moves f1 and f2 along the derivatives of that model.
  double d16 = 0.0, d17 = 0.0;
  int passes = 0;
  for (;;) {
    s.Coef[16] = f1;
    s.Coef[17] = f2;
    FitWithBasis(s);
    const bool linearOk = Usable(s);
    if (linearOk) ++passes;
    if (!linearOk || !Correction(s, f1, f2, d16, d17)) {
      e.LogLine("Singular system at c5=" + Num(f1) + " c6=" + Num(f2) + ": the fit is stopped.");
      b.passes = passes;
      return;
    }
    if (BlazhkoIterationDone(d16, d17, passes)) break;
    f1 += d16;
    f2 += d17;
    if (!progress.Step(kBlazhkoScanSteps + passes, kProgressTotal, kProgressText)) return stopped();
  }
  b.passes = passes;
  b.converged = std::fabs(d16) <= kBlazhkoTolerance || std::fabs(d17) <= kBlazhkoTolerance;
  b.lastCorrection = d17;
  b.f1 = f1;
  b.f2 = f2;
  e.LogLine("iter =" + Num(passes) + " dtm c6 =" + Num(d17));
  e.LogLine(" after iter c5=" + Num(f1) + "  c6=" + Num(f2));
  if (!b.converged)
    e.LogLine("No convergence after " + Num(passes) + " passes: c5 and c6 are not a fit.");

  // The residuals of the last linear step are those of the final C1..C15
  // at the final f1, f2 (the frequencies move only after a pass that
  // goes on).
  b.ResidualSum = s.ResidualSum;
  b.Sigma2 = UnitVariance(s.ResidualSum, N, kBlazhkoParams);
  b.sigma0 = std::sqrt(b.Sigma2);
  b.f1Sigma = ErrorOf(b.Sigma2, s.NormalMatrix[16][16]);
  b.f2Sigma = ErrorOf(b.Sigma2, s.NormalMatrix[17][17]);

  WriteCurve(e, b.Sigma2);
  b.completed = true;
}

}  // namespace teril

// The trigonometric polynomial command: the degree scan, the chosen fit and
// its report, the smoothed values and the model at every observation.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "periodicity/fourier_command.h"
#include "periodicity/phase.h"
#include "periodicity/trig_polynomial.h"
#include "plot/draw.h"

namespace teril {

// The publications of the method and of its extended version.
const char* const kTrigBanner[3] = {
    "Andronov I.L., 1994, Odessa Astron. Publ. 7, 49 (trigonometric polynomial fits)",
    "Extended version: the degree chosen by S/N and the Fisher test, with the errors",
    "Andronov I.L., 2003, ASP Conf. Ser. 292, 391 (periodic versus noise variations)"};

namespace {

constexpr const char* kTitle = "Trigonometric polynomial evaluation";
constexpr const char* kHeader =
    "s    sig_0      xc       S/N_a   Degeneracy    Lp   S/N_F  Ampl  Ampl/sig";
constexpr const char* kSmoothedPrompt =
    " Do You want to create the file with smoothed values?  Press 0 for phase curve (using "
    "current period and initial epoch),        1 for time curve or other key to quit";
// More lines than this in "_Four_c.dat" are refused: a step too small for
// its range would fill the memory and the disk. The file is made in memory
// and written at once; this many lines are about 150 MB, a phase curve of
// a step of 1e-6 twice over.
constexpr double kMaxSmoothedLines = 2e6;

std::string Int(long long v) { return Str(v); }

// Which degree to fit: a digit 0..sMax, otherwise the suggestion.
int ChosenDegree(Engine& e, char key, int suggested, int sMax) {
  if (key < '0' || key > '9') return suggested;
  const int digit = key - '0';
  if (digit <= sMax) return digit;
  // The normal equations reach only s_max: a higher degree has no block.
  e.LogLine("Degree " + Int(digit) + " is above the highest degree " + Int(sMax) +
            " of these points; degree " + Int(suggested) + " is kept");
  return suggested;
}

// The chosen fit in "_Four": coefficients with their errors, A^-1.
std::string ChosenFitText(const TrigFit& fit, double s0, const LsqSystem& inverse) {
  std::string text = "Chosen degree of trigonometric polynomial=" + Int(fit.degree) + "\n";
  text += "Unit weight error s_0=" + Sci23(s0) + "\n";
  text += "Coefficients                 +-\n";
  for (int i = 1; i <= fit.m; ++i) {
    // |A^-1_ii|: a singular system leaves a partly inverted matrix behind.
    const double err = s0 * std::sqrt(std::fabs(inverse.NormalMatrix[i][i]));
    text += Sci23(fit.C[i]) + " " + Sci23(err) + "\n";
  }
  text += "Covariation matrix of the coefficients <C_i*C_j>=s_0^2*A_ij^-1\n";
  text += "Inverse matrix of the normal equations A_ij^-1\n";
  for (int i = 1; i <= fit.m; ++i) {
    for (int j = 1; j <= fit.m; ++j) text += " " + Sci23(inverse.NormalMatrix[i][j]);
    text += "\n";
  }
  return text;
}

// "_Four_c.dat" on the grid start, start + step, ... <= end; a grid that
// would not end (step <= 0), is empty (end < start) or too long is refused
// with a log line and no file.
void WriteSmoothedValues(Engine& e, char key, const TrigFit& fit, double xMean, double s0) {
  e.console.SetPrompt("Starting point ");
  const double start = e.console.ReadNumber();
  e.console.SetPrompt("Ending   point ");
  const double end = e.console.ReadNumber();
  e.console.SetPrompt("Step           ");
  const double step = e.console.ReadNumber();
  if (!(step > 0)) {
    e.LogLine("Smoothed values: the step must be above 0; no file of smoothed values");
    return;
  }
  if (end < start) {
    e.LogLine(
        "Smoothed values: the ending point lies before the starting point; no file of "
        "smoothed values");
    return;
  }
  const double lines = std::floor((end - start) / step) + 1;
  if (!(lines <= kMaxSmoothedLines)) {
    e.LogLine("Smoothed values: " + General(lines) + " lines are too many (at most " +
              General(kMaxSmoothedLines) + "); no file of smoothed values");
    return;
  }
  const DataSet& d = e.data;
  const int w = d.xWidth + 3, dec = d.xDecimals + 2;
  std::string text;
  // start + k step rather than a running sum, so that the grid does not drift.
  for (long long k = 0;; ++k) {
    const double u0 = start + static_cast<double>(k) * step;
    if (u0 > end) break;
    const double u = SmoothedArgument(e.eph, d.phased, key, u0);
    const SmoothedValue v = SmoothedAt(fit, xMean, s0, e.lsq, kTwoPi * u);
    text += Sci23(u0) + " " + Str(v.x, w, dec) + " " + Str(v.sigma, w, dec) + " " +
            Str(v.x - v.sigma, w, dec) + " " + Str(v.x + v.sigma, w, dec) + "\n";
  }
  WriteFile(ResultStem(e.run.inputFile) + "_Four_c.dat", text);
  e.console.FileWritten(ResultStem(e.run.inputFile) + "_Four_c.dat");
}

// "_Four.dat" for every point, and the residuals in s.
void WriteModelAtObservations(Engine& e, const TrigFit& fit, double omega, double xMean) {
  DataSet& d = e.data;
  std::string text;
  text.reserve(static_cast<std::size_t>(d.n) * (d.tWidth + 2 * d.xWidth + 8));
  for (int i = 1; i <= d.n; ++i) {
    const double model = xMean + TrigModel(fit, omega * d.t[i]);
    d.s[i] = d.x[i] - model;
    text += Str(d.t0[i], d.tWidth, d.tDecimals) + Str(d.x[i], d.xWidth, d.xDecimals) +
            Str(model, d.xWidth + 3, d.xDecimals + 2) + "\n";
  }
  WriteFile(ResultStem(e.run.inputFile) + "_Four.dat", text);
  e.console.FileWritten(ResultStem(e.run.inputFile) + "_Four.dat");
}

}  // namespace

double SmoothedArgument(const Ephemeris& eph, bool phased, char key, double u0) {
  const double P = eph.period;
  if (phased) {
    if (key == '0') return u0;
    double cycles;
    CycleNumber(eph, u0, cycles);  // without a real cycle number: d, as the phases take it
    return cycles;
  }
  if (key == '0') return P != 0 ? u0 + eph.epochT0 / P : u0;
  return P != 0 ? u0 / P : 0.0;
}

SmoothedValue SmoothedAt(const TrigFit& fit, double xMean, double s0, const LsqSystem& inverse,
                         double angle) {
  double f[kLsqDim + 1];
  TrigBasis(angle, fit.degree, f);
  SmoothedValue v;
  double model = 0, q = 0;
  for (int i = 1; i <= fit.m; ++i) {
    model += fit.C[i] * f[i];
    double row = 0;
    for (int j = 1; j <= fit.m; ++j) row += inverse.NormalMatrix[i][j] * f[j];
    q += f[i] * row;
  }
  v.x = xMean + model;
  v.sigma = s0 * std::sqrt(std::fabs(q));
  return v;
}

void TrigPolynomialCommand(Engine& e) {
  DataSet& d = e.data;
  const ViewState& v = e.view;
  const int first = std::max(1, v.firstVisible), last = std::min(d.n, v.lastVisible);
  const int nj = std::max(0, last - first + 1);
  const int sMax = TrigDegreeLimit(nj);
  const double P = e.eph.period;
  const TrigPoints points{d.t.data(), d.x.data(), first, last, v.tMin, v.tMax};
  const TrigPolySums sums = AccumulateTrigSums(points, TrigOmega(d.phased, P), sMax);
  if (sums.n == 0) {
    e.LogLine("Trigonometric polynomial: no point in the view");
    return;
  }

  for (const std::string& line :
       {std::string(kTitle), std::string(kTrigBanner[0]), std::string(kTrigBanner[1]),
        std::string(kTrigBanner[2]), std::string("Basic period="), General(P),
        std::string("   data from "), Int(first), std::string(" to "), Int(last),
        std::string("   nj="), Int(nj), std::string(), std::string(kHeader)}) {
    e.LogLine(line);
  }
  std::string report = std::string(kTitle) + "          file=" + e.run.inputFile + "\n";
  for (const char* banner : kTrigBanner) report += std::string(banner) + "\n";
  report += "Basic period=" + Sci23(P) + "   data from " + Int(first) + " to " + Int(last) +
            "   nj=" + Int(nj) + "\n\n" + kHeader + "\n";

  // Every degree from the one set of normal equations.
  std::vector<TrigFit> fits;
  const std::vector<DegreeRow> rows = ScanTrigDegrees(points, sums, e.lsq, fits);
  FourierState& state = e.fourier;
  int suggested = std::min(state.suggestedDegree, sMax);
  double best = 0;
  for (const DegreeRow& row : rows) {
    for (const std::string& line : DegreeRowLog(row)) e.LogLine(line);
    report += DegreeRowText(row) + "\n";
    if (row.snA > best) {
      best = row.snA;
      suggested = row.s;
    }
  }
  WriteFile(ResultStem(e.run.inputFile) + "_Four", report);
  e.console.FileWritten(ResultStem(e.run.inputFile) + "_Four");

  e.console.SetPrompt("Enter Degree of trigonometric polynomial (0-9) [" + Int(suggested) + "]");
  char key = 0;
  e.console.ReadKey(key);
  const int degree = ChosenDegree(e, key, suggested, sMax);

  // Fitted again: the inverse of its block is left in e.lsq for the errors.
  TrigFit fit = FitTrigPolynomial(sums, degree, e.lsq);
  fit.rss = fits[degree].rss;  // the same block and sums as in the scan
  const double s0 = rows[degree].sig0;
  AppendToFile(ResultStem(e.run.inputFile) + "_Four", ChosenFitText(fit, s0, e.lsq));
  e.console.FileWritten(ResultStem(e.run.inputFile) + "_Four");

  for (int i = 1; i < kLsqDim; ++i) e.lsq.Coef[i] = i <= fit.m ? fit.C[i] : 0.0;
  state.suggestedDegree = degree;

  e.console.SetPrompt(kSmoothedPrompt);
  char curve = 0;
  e.console.ReadKey(curve);
  if (curve == '0' || curve == '1') WriteSmoothedValues(e, curve, fit, sums.xMean, s0);
  WriteModelAtObservations(e, fit, sums.omega, sums.xMean);
}

Continuation TrigPolynomialKey(Engine& e) {
  e.LogLine("Trigonometric Polynomial");
  ClearPlot(e);
  TrigPolynomialCommand(e);
  return Continuation::Rescale;
}

}  // namespace teril

#include "extrema/approximation_command.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/named_command.h"
#include "base/io.h"
#include "base/numfmt.h"
#include "extrema/approximate.h"
#include "extrema/models.h"
#include "extrema/polynomial_order.h"
#include "plot/draw.h"

namespace teril {
namespace {

std::string Num(double v) { return General(v); }
std::string Int(long long v) { return Str(v); }

void LogLabel(Engine& e, const std::string& label, double value) { e.LogLine(label + Num(value)); }

// Basis of the final model at u, derivative columns included.
void FinalBasis(Engine& e, Method method, double u) {
  LsqState& s = e.lsq;
  if (method == Method::kPolynomial) {
    PolyBasis(s.m, u, s.BasisVector);
  } else if (method == Method::kSymPolynomial) {
    // The centre of the symmetrical polynomial is its last parameter.
    SymPolyBasis(s.m, s.Coef[s.n], u, s.Coef, true, s.BasisVector);
  } else {
    bool saved = s.DerivativeMode;
    s.DerivativeMode = true;
    int m = s.m, n = s.n;
    EvalBasis(s, u);
    s.m = m;
    s.n = n;
    s.DerivativeMode = saved;
  }
}

}  // namespace

std::string ExtrHeader() {
  return std::string("Extremum: time +-  mag +- ") + " lin coef" + " nonlin coef" + " filename " +
         " point start  end " + "max_or_min" + "   method";
}

std::string ExtrLine(const Engine& e, int method) {
  const ApproxState& a = e.approx;
  const LsqState& s = e.lsq;
  return Sci23(a.ExtremumTime) + " " + Sci23(a.ExtremumTimeSigma) + " " + Sci23(a.ExtremumMag) +
         " " + Sci23(a.ExtremumMagSigma) + " " + Int(s.m) + " " + Int(s.n - s.m) + " " +
         e.run.inputFile + " " + Int(s.L) + " " + Int(s.R) + " " +
         (a.isMinimum ? "min" : "max") + " " + FileWord(method);
}

std::string PictureName(const Engine& e, int method) {
  std::string name = ResultStem(e.run.inputFile);
  const ApproxOutputState& o = e.approxOut;
  if (o.BatchMode && o.intervalCounter >= 1) {
    std::string six = Str((o.intervalCounter + 1000000) % 1000000, 6);
    for (char& c : six)
      if (c == ' ') c = '0';
    name += "_int_" + six + "_";
  } else {
    name += "_n1_" + Int(e.lsq.L) + "_n2_" + Int(e.lsq.R) + "_";
  }
  return name + ShortName(method) + ".bmp";
}

void WriteApproximationOutput(Engine& e, const ApproximationResult& a) {
  LsqState& s = e.lsq;
  const Method method = a.method;
  const std::string stem = ResultStem(e.run.inputFile);

  // The curve with its band, tabulated and drawn.
  std::string aprName = stem + "_apr.dat";
  std::string text;
  if (!FileExists(aprName)) text = "t x_c x_c-sigmx_c x_c+sigmx_c\n";
  const double sigma2 = a.Sigma2;
  int prevX = 0, prevY[3] = {0, 0, 0};
  for (int k = -250; k <= 250; ++k) {
    double u = k / 250.0;
    FinalBasis(e, method, u);
    const double* f = s.BasisVector;
    double xc = 0;
    for (int i = 1; i <= s.m; ++i) xc += s.Coef[i] * f[i];
    double q = 0;
    for (int i = 1; i <= s.n; ++i)
      for (int j = 1; j <= s.n; ++j) q += s.NormalMatrix[i][j] * f[i] * f[j];
    double sc = q < 0 ? 10.0 : std::sqrt(sigma2 * q);
    if (!std::isfinite(sc)) sc = 10.0;
    double t = s.tL + (s.tR - s.tL) * (u + 1) / 2;
    text += Sci23(t) + " " + Sci23(xc) + " " + Sci23(xc - sc) + " " + Sci23(xc + sc) + "\n";
    double values[3] = {xc, xc - sc, xc + sc};
    int px = ToPixelX(e, t);
    for (int c = 0; c < 3; ++c) {
      int py = ToPixelY(e, values[c]) + 1;
      if (k > -250 && py >= 1 && py <= 290) DrawLine(e, prevX, prevY[c], px, py);
      prevY[c] = py;
    }
    prevX = px;
  }
  AppendToFile(aprName, text);
  e.console.FileWritten(aprName);

  // The central interval and the error cross.
  SetPenColor(e, 12);
  if (a.hasDuration) {
    DrawLine(e, ToPixelX(e, a.c5Time), 10, ToPixelX(e, a.c5Time), 300);
    DrawLine(e, ToPixelX(e, a.c6Time), 10, ToPixelX(e, a.c6Time), 300);
  }
  SetPenColor(e, 10);
  const double T = a.ExtremumTime, sT = a.ExtremumTimeSigma;
  const double M = a.ExtremumMag, sM = a.ExtremumMagSigma;
  for (double tt : {T - sT, T, T + sT})
    DrawLine(e, ToPixelX(e, tt), ToPixelY(e, M + sM), ToPixelX(e, tt), ToPixelY(e, M - sM));
  for (double mm : {M - sM, M, M + sM})
    DrawLine(e, ToPixelX(e, T + sT), ToPixelY(e, mm), ToPixelX(e, T - sT), ToPixelY(e, mm));

  // The result line of extr.dat.
  ApproxOutputState& o = e.approxOut;
  if (o.BatchMode)
    o.SaveDecision = true;
  else
    o.SaveDecision = e.dialogs.YesNo("Save  parameters?");
  if (o.SaveDecision) {
    std::string line;
    if (!FileExists("extr.dat")) line = ExtrHeader() + "\n";
    AppendToFile("extr.dat", line + ExtrLine(e, Number(method)) + "\n");
    e.console.FileWritten("extr.dat");
  }

  // The picture of the plot.
  if (e.checks.saveImage && e.canvas) {
    std::string name = PictureName(e, Number(method));
    SetPenColor(e, 0);
    const Rgb white{255, 255, 255};
    e.canvas->FillRect(0, 30, 119, 220, white);
    e.canvas->FillRect(0, 305, 80, 365, white);
    e.canvas->FillRect(0, 0, 30, 320, white);
    if (!e.canvas->SaveRect(20, 0, 620, 318, 603, 319, name))
      throw IoError(name, "the picture could not be written");
  }
  SetPenColor(e, 13);
}

void RunPolynomialCommand(Engine& e, int method) {
  e.LogLine(LongName(method));
  int best = ChoosePolynomialOrder(e, method);
  if (best == 0) {  // fewer than 3 points: already said
    e.LogLine(" ");
    return;
  }
  e.lsq.m = best;
  const ApproximationResult r = Approximate(e, MethodOf(method));
  if (r.completed) {
    WriteApproximationOutput(e, r);
    LogLabel(e, "linear coef ", r.m);
    LogLabel(e, "nonlinear coef ", r.n - r.m);
    LogLabel(e, "sigma ", std::sqrt(r.Sigma2));
    LogLabel(e, "degree ", method == 1 ? r.m - 1 : 2 * r.m - 2);
    LogLabel(e, "time of extremum ", r.ExtremumTime);
    LogLabel(e, "-+", r.ExtremumTimeSigma);
    LogLabel(e, "mag of extremum ", r.ExtremumMag);
    LogLabel(e, "-+", r.ExtremumMagSigma);
  }
  e.LogLine(" ");
}

void RunNonlinearCommand(Engine& e, int method) {
  e.LogLine(LongName(method));
  // The preliminary parabola sets the curvature sign; its own method
  // variable keeps a fallback inside it away from the command's method.
  e.lsq.m = 3;
  Approximate(e, Method::kPolynomial);
  if (method == 8)
    e.lsq.m = 5;
  else if (method != 10 && method != 11)
    e.lsq.m = 3;
  const ApproximationResult r = Approximate(e, MethodOf(method));
  if (r.completed) WriteApproximationOutput(e, r);
  const LsqState& s = e.lsq;
  if (method == 11) e.host.MessageBox("c5,6=" + Num(s.c5) + " " + Num(s.c6));
  bool enough = method == 11 ? s.N > s.n : s.N >= s.n;
  if (enough && r.completed) {
    LogLabel(e, "linear coef ", r.m);
    LogLabel(e, "nonlinear coef ", r.n - r.m);
    LogLabel(e, "sigm ", std::sqrt(r.Sigma2));
    LogLabel(e, "time of extremum ", r.ExtremumTime);
    LogLabel(e, "-+", r.ExtremumTimeSigma);
    LogLabel(e, "mag of extremum ", r.ExtremumMag);
    LogLabel(e, "-+", r.ExtremumMagSigma);
    // The lines of the method actually used after any fallback.
    const ExtraLines extra = MethodTable(Number(r.method)).extraLines;
    if (extra == ExtraLines::kDurationAndJoins) {
      LogLabel(e, "Duration of eclipse ", r.EclipseDuration);
      LogLabel(e, "-+", r.EclipseDurationSigma);
    }
    if (extra == ExtraLines::kDurationAndJoins || extra == ExtraLines::kJoins) {
      LogLabel(e, "c5 ", r.c5Time);
      LogLabel(e, "c6 ", r.c6Time);
    }
    if (extra == ExtraLines::kParametersInU) {
      LogLabel(e, "c5 ", s.c5);
      LogLabel(e, "c6 ", s.c6);
    }
  }
  e.LogLine(" ");
}

ApproximationResult Approximate(Engine& engine, int& method, int printResults) {
  ApproximationResult r = Approximate(engine, method);
  if (printResults == 1 && r.completed) WriteApproximationOutput(engine, r);
  return r;
}

void ToggleResidualMap(Engine& e) {
  ApproxOutputState& o = e.approxOut;
  if (e.mapCanvas) {
    bool minimumUp = (e.lsq.CurvatureSign < 0) == e.checks.inverseX;
    e.mapCanvas->SetTop(minimumUp ? 27 : 196);
  }
  o.mapShown = !o.mapShown;
  if (e.mapCanvas) e.mapCanvas->SetVisible(o.mapShown);
}

}  // namespace teril

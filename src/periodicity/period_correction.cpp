#include "periodicity/period_correction.h"

#include <algorithm>
#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "plot/draw.h"
#include "smoothing/correlation.h"

namespace teril {

namespace {

// Cycle numbers beyond this are not exact in a double any more.
constexpr double kMaxCycle = 1e15;

std::string Int(long long v) { return Str(v); }

// Error of a moment from the error of the line at tMean (sigmaA) and of the
// slope (sigmaB), in units of time.
double EpochError(double P, double sigmaA, double sigmaB, double T, double tMean) {
  const double slopePart = (T - tMean) * sigmaB;
  return std::fabs(P) * std::sqrt(sigmaA * sigmaA + slopePart * slopePart);
}

void DrawCorrectionLabels(Engine& e, double P, double T0, const PeriodCorrection& pc) {
  const int k = pc.periodDecimals;
  // No leading blanks in the narrow left margin.
  auto period = [k](double v) { return Str(v, 0, k); };
  auto epoch = [](double v) { return Str(v, 0, 5); };
  // Down to the last label of the correlation, which this replaces.
  DrawRect(e, 0, 108, 118, 330);
  const struct {
    int row;
    std::string text;
  } labels[] = {
      {110, "P_0=" + period(P)},          {120, "P_c=" + period(pc.Pc)},
      {130, "  +-" + period(pc.sigmaPc)}, {150, "T_c=" + epoch(pc.Tc)},
      {160, "O-C=" + epoch(pc.OC)},       {170, "  +-" + epoch(pc.sigmaTc)},
      {180, "  E=" + Int(pc.E)},          {200, "T_0=" + epoch(T0)},
      {210, "T_c=" + epoch(pc.Tc2)},      {220, "  +-" + epoch(pc.sigmaTc2)},
  };
  for (const auto& l : labels) DrawText(e, 0, l.row, l.text);
}

}  // namespace

int PeriodDecimals(double sigma) {
  const double a = std::fabs(sigma);
  if (!(a > 0) || !std::isfinite(a)) return kMaxPeriodDecimals;
  const double k = std::round(-std::log10(a));
  if (k < 1) return 0;
  return static_cast<int>(std::min<double>(k + 3, kMaxPeriodDecimals));
}

bool ComputePeriodCorrection(const Ephemeris& eph, const CorrelationState& c, PeriodCorrection& out,
                             std::string& why) {
  const double P = eph.period, T0 = eph.epochT0;
  if (P == 0) {
    why = "the period is 0";
    return false;
  }
  const double denominator = 1 - c.b * P;
  if (denominator == 0) {
    why = "the phases drift by one cycle per period (b P = 1): no finite period";
    return false;
  }
  // Two moments fix a drift but not its error, and moments at one time fix
  // no drift at all: a corrected period with such an error would mislead.
  if (c.nEff <= 2 || !(c.sigmaB < kNoRatio)) {
    why = "the drift of the phases has no error; at least three moments at different times "
          "are needed";
    return false;
  }
  PeriodCorrection r;
  r.Pc = P / denominator;
  const double sigmaA = c.SX, sigmaB = c.sigmaB;
  r.sigmaPc = sigmaB * r.Pc * r.Pc;
  r.periodDecimals = PeriodDecimals(r.sigmaPc);

  const double u = (c.tMean - T0) / P - c.xMean;
  if (!(std::fabs(u) < kMaxCycle) || !std::isfinite(r.Pc)) {
    why = "the cycle number of the mean time is too large";
    return false;
  }
  double E = std::trunc(u);
  double psi = u - E;
  if (psi < -0.5) {
    psi += 1;
    E -= 1;
  }
  if (psi > 0.5) {
    psi -= 1;
    E += 1;
  }
  r.E = static_cast<long long>(E);
  r.psi = psi;
  r.Tc = c.tMean - psi * r.Pc;
  r.OC = r.Tc - T0 - E * P;
  r.sigmaTc = EpochError(P, sigmaA, sigmaB, r.Tc, c.tMean);
  r.Tc2 = c.tMean + ((T0 - c.tMean) / P + c.xMean) * r.Pc;
  r.sigmaTc2 = EpochError(P, sigmaA, sigmaB, r.Tc2, c.tMean);
  out = r;
  return true;
}

std::string CorrPText(const std::string& inputFile, int n, int first, int last, double P, double T0,
                      const PeriodCorrection& pc) {
  const int k = pc.periodDecimals;
  auto period = [k](double v) { return Str(v, 11, k); };
  auto epoch = [](double v) { return Str(v, 11, 5); };
  std::string t = "Correct period from phase diagram        file=" + inputFile + "\n";
  t += "Number of points=" + Int(n) + "   from " + Int(first) + " to " + Int(last) + "\n";
  t += "Initial period=  " + period(P) + "\n";
  t += "Corrected period=" + period(pc.Pc) + "\n";
  t += "          +-     " + period(pc.sigmaPc) + "\n";
  t += "  Initial epoch  " + epoch(pc.Tc) + "\n";
  t += "  O-C =          " + epoch(pc.OC) + "\n";
  t += "          +-     " + epoch(pc.sigmaTc) + "\n";
  t += "          E=     " + Int(pc.E) + "\n";
  t += "Initial epoch T_0=" + epoch(T0) + "\n";
  t += "Initial epoch T_c=" + epoch(pc.Tc2) + "\n";
  t += "          +-      " + epoch(pc.sigmaTc2) + "\n";
  return t;
}

bool CorrectPeriod(Engine& e) {
  CorrelationState& c = e.correlation;
  c.justCorrelated = false;
  PeriodCorrection pc;
  std::string why;
  if (!ComputePeriodCorrection(e.eph, c, pc, why)) {
    e.LogLine("Correct period: " + why);
    return false;
  }
  const double P = e.eph.period, T0 = e.eph.epochT0;
  const std::string text =
      CorrPText(e.run.inputFile, c.count, e.view.firstVisible, e.view.lastVisible, P, T0, pc);
  AppendToFile(ResultStem(e.run.inputFile) + "_corr_P", text);
  e.console.FileWritten(ResultStem(e.run.inputFile) + "_corr_P");
  // The same lines in the log, where the console mode shows them (the plot
  // labels go away with the next redraw).
  for (std::size_t at = 0, next; (next = text.find('\n', at)) != std::string::npos; at = next + 1)
    e.LogLine(text.substr(at, next - at));
  e.LogLine(" ");
  DrawCorrectionLabels(e, P, T0, pc);
  return true;
}

Continuation CorrelationOrCorrectionKey(Engine& e) {
  if (!CorrelationFollowUpPending(e)) return CorrelationKey(e);
  CorrectPeriod(e);
  // A third "U" is a new correlation.
  e.correlation.followUp = false;
  e.host.MessageBox("corr=" + General(e.correlation.r));
  return Continuation::Wrap;
}

std::string OCText(const DataSet& d, const CorrelationState& c) {
  std::string text;
  text.reserve(static_cast<std::size_t>(d.n) * (d.tWidth + d.xWidth + 5));
  for (int i = 1; i <= d.n; ++i) {
    const double o = d.x[i] - c.xMean - (d.t[i] - c.tMean) * c.b;
    text += Str(d.t[i], d.tWidth, d.tDecimals) + Str(o, d.xWidth + 3, d.xDecimals + 2) + "\n";
  }
  return text;
}

Continuation OCKey(Engine& e) {
  e.LogLine("O-C>>");
  if (!e.correlation.valid && !RunCorrelation(e)) return Continuation::Read;
  WriteFile(ResultStem(e.run.inputFile) + "_o-c_lin.dat", OCText(e.data, e.correlation));
  e.console.FileWritten(ResultStem(e.run.inputFile) + "_o-c_lin.dat");
  return Continuation::Read;
}

}  // namespace teril

// The correlation command "U" with its files, status column and drawing,
// and the smoothed value at the regression line (^U).
#include <cmath>
#include <initializer_list>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "plot/draw.h"
#include "smoothing/correlation.h"

namespace teril {
namespace {

constexpr int kLabelColor = 12;
constexpr int kCrossingColor = 11;

std::string Int(long long v, int width = 0) { return Str(v, width); }

// Values in the 23-character form, one blank between them.
std::string SciLine(std::initializer_list<double> values) {
  std::string line;
  for (double v : values) {
    if (!line.empty()) line += ' ';
    line += Sci23(v);
  }
  return line + "\n";
}

// Error of the intercept a = xMean - b tMean: sqrt((b tMean/q)^2 + SX^2).
double InterceptError(const CorrelationState& c) {
  double slopePart;
  if (c.q != 0) {
    slopePart = c.b * c.tMean / c.q;
  } else if (c.sigmaB < kNoRatio) {
    slopePart = c.sigmaB * c.tMean;
  } else {
    return kNoRatio;
  }
  return std::sqrt(slopePart * slopePart + c.SX * c.SX);
}

void DrawLabels(Engine& e, const CorrelationState& c) {
  const int dt = e.run.tDecimalsAtLoad + 3;
  const int dx = e.run.xDecimalsAtLoad + 3;
  SetPenColor(e, kLabelColor);
  const struct {
    int row;
    const char* label;
    std::string value;
  } rows[] = {
      {112, "tm=", Str(c.tMean, 12, dt)},
      {124, "st=", Str(UnbiasedDeviation(c.sigmaT, c.nEff), 12, dt)},
      {136, "sT=", Str(ErrorOfMean(c.sigmaT, c.nEff), 12, dt)},
      {148, "ST=", Str(c.sigmaT * c.sR, 12, dt)},
      {160, "xm=", Str(c.xMean, 12, dx)},
      {172, "sx=", Str(UnbiasedDeviation(c.sigmaX, c.nEff), 12, dx)},
      {184, "sX=", Str(ErrorOfMean(c.sigmaX, c.nEff), 12, dx)},
      {196, "SX=", Str(c.SX, 12, dx)},
      {208, "r= ", Str(c.r, 9, 6)},
      {220, "s=", Str(c.sR, 9, 6)},
      {232, "r/s=", Str(c.q, 7, 4)},
      {244, "b=", Str(c.b, 13, 8)},
      {256, "+-", Str(c.sigmaB, 13, 8)},
      {268, "d=", Str(1 / c.kT, 13, 8)},
      {280, "+-", Str(c.sigmaD, 13, 8)},
      {292, "a=", Str(c.xMean - c.b * c.tMean, 13, 8)},
      {304, "+-", Str(InterceptError(c), 13, 8)},
      {316, "nj=", Int(c.count, 7)},
  };
  for (const auto& r : rows) DrawText(e, 0, r.row, r.label + r.value);
}

// The level line, the lines at the means and the marks of the level
// crossing tC -+ sigmaC.
void DrawMeansAndCrossing(Engine& e, const CorrelationState& c) {
  const ViewState& v = e.view;
  const int yc = ToPixelY(e, v.levelYc);
  DrawLine(e, 120, yc, 640, yc);
  const int ct = ToPixelX(e, c.tMean);
  DrawLine(e, ct, 0, ct, 300);
  const int ym = ToPixelY(e, c.xMean);
  DrawLine(e, 120, ym, 640, ym);
  SetPenColor(e, kCrossingColor);
  const LevelCrossing lc = CrossingOfLevel(c, v.levelYc);
  for (double t : {lc.tC - lc.sigmaC, lc.tC + lc.sigmaC}) {
    const int u = ToPixelX(e, t);
    DrawLine(e, u, yc - 15, u, yc + 15);
  }
}

// Both regression lines through the means, drawn and written to
// "_regr.dat" (overwritten).
void DrawRegressionLines(Engine& e, const CorrelationState& c) {
  const DataSet& d = e.data;
  std::string text;
  for (double m : {c.b, c.kT}) {
    const LineEnds l = RegressionLineEnds(e.view, c.tMean, c.xMean, m);
    text += Str(l.ta, d.tWidth + 2, d.tDecimals + 2) + " " +
            Str(l.xa, d.xWidth + 2, d.xDecimals + 2) + "\n";
    text +=
        Str(l.tb, d.tWidth + 2, d.tDecimals + 2) + Str(l.xb, d.xWidth + 2, d.xDecimals + 2) + "\n";
    DrawLine(e, ToPixelX(e, l.ta), ToPixelY(e, l.xa), ToPixelX(e, l.tb), ToPixelY(e, l.xb));
  }
  WriteFile(ResultStem(e.run.inputFile) + "_regr.dat", text);
  e.console.FileWritten(ResultStem(e.run.inputFile) + "_regr.dat");
}

// The ellipses of two and of one standard deviation.
void DrawErrorEllipses(Engine& e, const CorrelationState& c) {
  if (!(c.sigmaT * c.sigmaX > 0)) return;
  const double rest = 1 - c.r * c.r;
  for (double c2 : {4 * rest, rest}) {
    MovePen(e, ToPixelX(e, c.tMean + std::sqrt(c2) * c.sigmaT), ToPixelY(e, c.xMean));
    for (const auto& [t, x] : ErrorEllipse(c, c2)) LineToPoint(e, ToPixelX(e, t), ToPixelY(e, x));
  }
}

}  // namespace

std::string CorrFileText(const Engine& e, const CorrelationState& c) {
  const DataSet& d = e.data;
  const int f = e.view.firstVisible, l = e.view.lastVisible;
  const double devT = UnbiasedDeviation(c.sigmaT, c.nEff);
  const double k = OrthogonalSlope(c.sigmaT, c.sigmaX, c.r);
  std::string text = "===" + e.run.outputFile + "\n";
  text += Int(f) + " " + Int(l) + " " + Int(c.count) + " " + Str(d.t[f], d.tWidth, d.tDecimals) +
          " " + Str(d.t[l], d.tWidth, d.tDecimals) + "\n";
  text += SciLine({d.t[l] - d.t[f], devT});
  text += SciLine({c.tMean, devT});
  text += SciLine({c.xMean, UnbiasedDeviation(c.sigmaX, c.nEff)});
  text += SciLine({c.r, c.sR, c.q});
  text += SciLine({c.b, c.sigmaB});
  text += SciLine({1 / c.kT, c.sigmaD});
  text += Sci23(k) + " " + Sci23(PerpendicularSlope(k)) + " ortho\n";
  return text;
}

bool RunCorrelation(Engine& e) {
  DataSet& d = e.data;
  ViewState& v = e.view;
  DrawRect(e, 0, 110, 119, 287);
  CorrelationState c =
      ComputeCorrelation(d, v.firstVisible, v.lastVisible, v.tMin, v.tMax, d.weightsLoaded);
  if (c.count == 0) {
    e.LogLine(d.weightsLoaded ? "Correlation: no visible point has an error s > 0"
                              : "Correlation: no visible point");
    e.correlation.justCorrelated = false;
    SetPenColor(e, v.mainColor);
    return false;
  }
  DrawLabels(e, c);
  AppendToFile(ResultStem(e.run.inputFile) + "_corr", CorrFileText(e, c));
  e.console.FileWritten(ResultStem(e.run.inputFile) + "_corr");
  DrawMeansAndCrossing(e, c);
  DrawRegressionLines(e, c);
  DrawErrorEllipses(e, c);
  c.justCorrelated = true;
  e.correlation = c;
  SetPenColor(e, v.mainColor);
  return true;
}

bool CorrelationFollowUpPending(const Engine& e) {
  return e.correlation.followUp && e.correlation.justCorrelated;
}

Continuation CorrelationKey(Engine& e) {
  // A second "U" in a row (CorrelationFollowUpPending) belongs to the period
  // correction from the phase diagram, which the key table's "U" runs
  // instead of this.
  const bool done = RunCorrelation(e);
  e.correlation.followUp = done;
  if (done) e.host.MessageBox("corr=" + General(e.correlation.r));
  return Continuation::Wrap;
}

Continuation SmoothedValueKey(Engine& e) {
  const CorrelationState& c = e.correlation;
  const DataSet& d = e.data;
  const int j = e.view.j;
  if (!c.valid || j < 1 || j > d.n) {
    e.LogLine("Smoothed value: no regression line yet (the correlation, key U, makes one)");
    return Continuation::Restore;
  }
  e.console.SetPrompt(
      "Compute smoothed value at a regression line (abscissa or Enter for current)");
  const std::string answer = e.console.ReadText();
  const double a = ParseNumber(answer).value_or(d.t[j]);
  const double xc = c.xMean + c.b * (a - c.tMean);
  const double slopePart = (a - c.tMean) * c.sigmaB;
  const double sigma = std::sqrt(slopePart * slopePart + c.SX * c.SX);
  if (a != d.t[j]) e.LogLine("t=");
  for (const std::string& line :
       {General(a), std::string("x_c(t)="), General(xc), std::string(" ("), General(xc),
        std::string(")"), std::string("     +-"), General(sigma), std::string(" ("), General(sigma),
        std::string(")"), std::string()}) {
    e.LogLine(line);
  }
  e.console.SetPrompt(" Press any key to continue");
  e.console.WaitAnyKey();
  return Continuation::Restore;
}

}  // namespace teril

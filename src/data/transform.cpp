#include "data/transform.h"

#include <cmath>
#include <string>

#include "base/numfmt.h"
#include "data/transform_detail.h"
#include "engine/engine.h"

namespace teril {

void detail::LogRefusal(Engine& engine, const std::string& name, int i, const std::string& label,
                        double value) {
  engine.LogLine("!!! " + name + " refused: point " + Str(static_cast<long long>(i)) + ", " +
                 label + "=" + General(value) + "; data unchanged");
}

using detail::MapT;
using detail::MapX;

namespace {

double Lg(double v) { return std::log10(v); }
double Pow10(double v) { return std::pow(10.0, v); }

// Asks one coefficient with its current value in brackets; an empty or
// non-numeric answer keeps the value.
double AskValue(Engine& engine, const std::string& prompt, double value) {
  engine.console.SetPrompt(prompt);
  std::string answer = engine.console.ReadText();
  if (answer.find_first_not_of(' ') == std::string::npos) return value;
  if (auto v = ParseNumber(answer)) return *v;
  engine.LogLine("\"" + answer + "\" is not a number; " + General(value) + " kept");
  return value;
}

}  // namespace

// ---- argument ----

bool ReciprocalT(Engine& engine) {
  const auto& t = engine.data.t;
  return MapT(engine, "1/t", [&t](int i) { return 1.0 / t[i]; });
}

bool ToggleLgT(Engine& engine) {
  const auto& t = engine.data.t;
  bool& on = engine.run.flags.lgT;
  bool ok = on ? MapT(engine, "10^t", [&t](int i) { return Pow10(t[i]); })
               : MapT(engine, "lg t", [&t](int i) { return Lg(t[i]); });
  if (ok) on = !on;
  return ok;
}

bool TogglePowT(Engine& engine) {
  const auto& t = engine.data.t;
  bool& on = engine.run.flags.powT;
  bool ok = on ? MapT(engine, "lg t", [&t](int i) { return Lg(t[i]); })
               : MapT(engine, "10^t", [&t](int i) { return Pow10(t[i]); });
  if (ok) on = !on;
  return ok;
}

void TimeToIndex(Engine& engine) {
  DataSet& d = engine.data;
  for (int i = 1; i <= d.n; ++i) d.t[i] = i;
}

void RestoreLoadedTime(Engine& engine) {
  DataSet& d = engine.data;
  for (int i = 1; i <= d.n; ++i) d.t[i] = d.t0[i];
}

bool CycleNumbers(Engine& engine, bool halfCycles) {
  DataSet& d = engine.data;
  const double T0 = engine.eph.epochT0, P = engine.eph.period;
  bool ok = MapT(engine, halfCycles ? "half cycle numbers" : "cycle numbers", [&](int i) {
    double e = (d.t[i] - T0) / P;
    double r = std::round(e);
    if (halfCycles && std::fabs(e - r) > 0.25) r += e > r ? 0.5 : -0.5;
    return r;
  });
  if (!ok) return false;
  d.tWidth = halfCycles ? 5 : 4;
  d.tDecimals = halfCycles ? 1 : 0;
  return true;
}

// ---- signal ----

bool ToggleLgX(Engine& engine) {
  const auto& x = engine.data.x;
  bool& on = engine.run.flags.lgX;
  bool ok = on ? MapX(engine, "10^x", [&x](int i) { return Pow10(x[i]); })
               : MapX(engine, "lg x", [&x](int i) { return Lg(x[i]); });
  if (ok) on = !on;
  return ok;
}

bool TogglePowX(Engine& engine) {
  const auto& x = engine.data.x;
  bool& on = engine.run.flags.powX;
  bool ok = on ? MapX(engine, "lg x", [&x](int i) { return Lg(x[i]); })
               : MapX(engine, "10^x", [&x](int i) { return Pow10(x[i]); });
  if (!ok) return false;
  on = !on;
  engine.checks.inverseX = false;
  return true;
}

bool ToggleIntensityToMagnitude(Engine& engine) {
  DataSet& d = engine.data;
  FileRunState& r = engine.run;
  const auto& x = d.x;
  if (!r.flags.intensityToMagnitude) {
    const double m0 = engine.view.m0Ref;
    if (!MapX(engine, "intensity -> magnitude", [&x, m0](int i) { return -2.5 * Lg(x[i]) - m0; }))
      return false;
    r.magnitudeRefUsed = m0;
    r.savedXWidth = d.xWidth;
    r.savedXDecimals = d.xDecimals;
    d.xWidth = 5;
    d.xDecimals = 3;
    engine.checks.inverseX = true;
  } else {
    const double m0 = r.magnitudeRefUsed;
    if (!MapX(engine, "magnitude -> intensity",
              [&x, m0](int i) { return Pow10(-0.4 * (x[i] + m0)); }))
      return false;
    d.xWidth = r.savedXWidth;
    d.xDecimals = r.savedXDecimals;
    engine.checks.inverseX = false;
  }
  r.flags.intensityToMagnitude = !r.flags.intensityToMagnitude;
  return true;
}

bool ToggleMagnitudeToIntensity(Engine& engine) {
  DataSet& d = engine.data;
  FileRunState& r = engine.run;
  ViewState& v = engine.view;
  const auto& x = d.x;
  if (!r.flags.magnitudeToIntensity) {
    const double x0 = v.x0Ref;
    if (!MapX(engine, "magnitude -> intensity",
              [&x, x0](int i) { return Pow10(-0.4 * (x[i] - x0)); }))
      return false;
    r.intensityRefUsed = x0;
    r.savedXWidth = d.xWidth;
    r.savedXDecimals = d.xDecimals;
    d.xWidth = 5;
    d.xDecimals = 3;
    engine.checks.inverseX = false;
    v.xMin = 1.0;
    v.xMax = 0.0;
  } else {
    const double x0 = r.intensityRefUsed;
    if (!MapX(engine, "intensity -> magnitude", [&x, x0](int i) { return -2.5 * Lg(x[i]) + x0; }))
      return false;
    d.xWidth = r.savedXWidth;
    d.xDecimals = r.savedXDecimals;
    engine.checks.inverseX = true;
  }
  r.flags.magnitudeToIntensity = !r.flags.magnitudeToIntensity;
  return true;
}

void FractionalX(Engine& engine) {
  DataSet& d = engine.data;
  for (int i = 1; i <= d.n; ++i) {
    double f = d.x[i] - std::floor(d.x[i]);
    // A tiny negative x rounds to 1.0 here; keep the result inside [0, 1).
    d.x[i] = f < 1.0 ? f : 0.0;
  }
  engine.host.Beep();
}

void UnwrapCycles(Engine& engine) {
  DataSet& d = engine.data;
  const int first = std::max(engine.view.firstVisible, 1);
  const int last = std::min(engine.view.lastVisible, d.n);
  if (last <= first) return;
  int k = 0;
  double previous = d.x[first];
  for (int i = first + 1; i <= last; ++i) {
    const double original = d.x[i];
    const double step = original - previous;
    if (step < -0.5) ++k;
    if (step > 0.5) --k;
    d.x[i] = original + k;
    previous = original;
  }
}

bool DivideXByT(Engine& engine) {
  const auto& x = engine.data.x;
  const auto& t = engine.data.t;
  return MapX(engine, "x/t", [&](int i) { return t[i] == 0 ? 1e32 : x[i] / t[i]; });
}

bool SquareX(Engine& engine) {
  const auto& x = engine.data.x;
  return MapX(engine, "x^2", [&x](int i) { return x[i] * x[i]; });
}

bool SqrtDifference(Engine& engine, double a) {
  const auto& x = engine.data.x;
  return MapX(engine, "sqrt(x^2-a^2)", [&x, a](int i) { return std::sqrt(x[i] * x[i] - a * a); });
}

bool AskSqrtDifference(Engine& engine) {
  double a = AskValue(engine, "x_j:=sqrt(x_j^2-a^2)  a= [" + General(0.0) + "] ", 0.0);
  return SqrtDifference(engine, a);
}

bool XOverOneMinusX(Engine& engine) {
  const auto& x = engine.data.x;
  return MapX(engine, "x/(1-x)", [&x](int i) { return x[i] == 1 ? 1e10 : x[i] / (1 - x[i]); });
}

bool MultiplyXByPeriod(Engine& engine) {
  const auto& x = engine.data.x;
  const double p = engine.eph.period;
  return MapX(engine, "x*P", [&x, p](int i) { return x[i] * p; });
}

bool AddS(Engine& engine, int sign) {
  DataSet& d = engine.data;
  const auto& x = d.x;
  const auto& s = d.s;
  if (!MapX(engine, sign < 0 ? "x-s" : "x+s", [&, sign](int i) { return x[i] + sign * s[i]; }))
    return false;
  if (sign < 0) {
    d.xWidth += 2;
    d.xDecimals += 2;
  }
  return true;
}

bool LinearXS(Engine& engine, double a, double b) {
  const auto& x = engine.data.x;
  const auto& s = engine.data.s;
  return MapX(engine, "a*x+b*s", [&, a, b](int i) { return a * x[i] + b * s[i]; });
}

bool AskLinearXS(Engine& engine) {
  double a = AskValue(engine, "x_j:=a*x_j+b*xw_j    a= [" + General(1.0) + "]", 1.0);
  double b = AskValue(engine, "                     b= [" + General(0.0) + "] ", 0.0);
  return LinearXS(engine, a, b);
}

void NegativeXPlusOne(Engine& engine) {
  DataSet& d = engine.data;
  for (int i = 1; i <= d.n; ++i)
    if (d.x[i] < 0) d.x[i] += 1;
}

// ---- linear transformation ----

bool ToggleLinearTransform(Engine& engine) {
  LinearTransformState& r = engine.line;
  const auto& x = engine.data.x;
  const auto& t = engine.data.t;
  const double a = r.lineCoefA, b = r.lineCoefB, c = r.lineCoefC;
  bool ok = r.lineApplied
                ? MapX(engine, "undo of x:=ay+by*x+cy*t",
                       [&](int i) { return (x[i] - a - c * t[i]) / b; })
                : MapX(engine, "x:=ay+by*x+cy*t", [&](int i) { return b * x[i] + a + c * t[i]; });
  if (ok) r.lineApplied = !r.lineApplied;
  return ok;
}

bool AskLinearCoefficients(Engine& engine) {
  LinearTransformState& r = engine.line;
  if (r.lineApplied && !ToggleLinearTransform(engine)) return false;
  engine.LogLine("Coefficients x[j]:=ay+by*x[j]+cy*t[j]");
  r.lineCoefA = AskValue(engine, "ay= [" + General(r.lineCoefA) + "]", r.lineCoefA);
  r.lineCoefB = AskValue(engine, "by= [" + General(r.lineCoefB) + "]", r.lineCoefB);
  r.lineCoefC = AskValue(engine, "cy= [" + General(r.lineCoefC) + "]", r.lineCoefC);
  return true;
}

void ForgetLinearTransform(Engine& engine) { engine.line.lineApplied = false; }

}  // namespace teril

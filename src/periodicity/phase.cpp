#include "periodicity/phase.h"

#include <cmath>

#include "base/numfmt.h"
#include "engine/engine.h"

namespace teril {

double Frac(double y) { return y - std::trunc(y); }

bool CycleNumber(const Ephemeris& eph, double t, double& e) {
  const double f = eph.frequency;
  const double d = (t - eph.epochT0) * f;
  e = d;
  if (eph.Q == 0) return true;
  const double g = 4 * d * eph.Q * f;
  if (g <= -1) return false;
  if (std::fabs(g) <= 0.0002)
    e = d * (1 - g / 4 + g * g / 8 - 0.078125 * g * g * g);
  else  // (sqrt(1 + g) - 1) P/(2Q), written without the cancellation near g = 0
    e = g * eph.period / (2 * eph.Q * (1 + std::sqrt(1 + g)));
  return true;
}

double PhaseOfTime(const Ephemeris& eph, double t) {
  double e;
  CycleNumber(eph, t, e);
  double phi = Frac(e);
  if (phi < 0) phi += 1;
  // A tiny negative fraction rounds to 1.0 above; the phase stays in [0, 1).
  return phi < 1 ? phi : 0.0;
}

std::string PhaseText(double phase) { return Str(phase, 6, 4); }

void ComputePhases(Engine& engine) {
  DataSet& d = engine.data;
  for (int i = 1; i <= d.n; ++i) {
    double e;
    if (!CycleNumber(engine.eph, d.t0[i], e)) {
      d.t[i] = 2;
      continue;
    }
    double phi = Frac(e);
    if (phi < -0.5) phi += 1;
    if (phi > 0.5) phi -= 1;
    d.t[i] = phi;
  }
}

bool StepTrialFrequency(Engine& engine, int step) {
  TrialFrequencies& r = engine.trial;
  const int count = static_cast<int>(r.frequencyList.size());
  if (count == 0) return false;
  engine.data.phased = true;
  int k = r.frequencyIndex + step;
  if (k > count) k = 1;
  if (k < 1) k = count;
  r.frequencyIndex = k;
  const double f = r.frequencyList[k - 1];
  if (f != 0) {
    engine.eph.frequency = f;
    engine.eph.period = 1 / f;
  }
  return true;
}

void SetEpochFromCurrentPoint(Engine& engine) {
  const int j = engine.view.j;
  if (j >= 1 && j <= engine.data.n) engine.eph.epochT0 = engine.data.t0[j];
}

bool SetPeriodFromParabola(Engine& engine, double period) {
  if (!std::isfinite(period) || period <= 0) {
    engine.LogLine("!!! period " + General(period) + " refused: no usable three-point parabola");
    return false;
  }
  engine.eph.period = period;
  engine.eph.frequency = 1 / period;
  engine.eph.epochT0 = 0;
  const double epoch = engine.classical.lastPeriodEpoch;
  if (period == engine.classical.lastParabolaPeriod && std::isfinite(epoch)) {
    // The period of a box least squares peak comes with the time of an eclipse.
    engine.eph.epochT0 = epoch;
    engine.LogLine("Period " + General(period) + " and T0 " + General(epoch) +
                   " from the box least squares periodogram");
  }
  engine.view.scrollShift = 0;
  return true;
}

void XToPhase(Engine& engine) {
  DataSet& d = engine.data;
  for (int i = 1; i <= d.n; ++i) {
    d.t[i] = d.x[i];
    double phi = PhaseOfTime(engine.eph, d.t[i]);
    if (phi > 0.5) phi -= 1;
    d.x[i] = phi;
  }
  d.tWidth = d.xWidth;
  d.tDecimals = d.xDecimals;
  d.xWidth = 9;
  d.xDecimals = 6;
  engine.run.columnX = 1;
}

}  // namespace teril

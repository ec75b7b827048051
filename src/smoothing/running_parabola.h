// The running parabola: a local weighted least-squares parabola around an
// argument value t_c, fitted to the points with |t - t_c| < dt under the
// weight w = (1 - u^2)^2, u = (t - t_c)/dt; its value at the centre is the
// smoothed value. Two forms: at the argument of every point (residuals in
// s, key "~^") and on a regular grid written to a table (RP_Table).
#pragma once

#include <string>

#include "engine/fwd.h"

namespace teril {

// Weighted moments of the points in one window: S_k = sum w v^k (k = 0..4),
// Y_k = sum w v^k x (k = 0..2), v the offset from the centre (raw or
// divided by dt; the centre value and the ratio do not depend on it).
struct ParabolaSums {
  double S0 = 0, S1 = 0, S2 = 0, S3 = 0, S4 = 0;
  double Y0 = 0, Y1 = 0, Y2 = 0;
  void Add(double w, double v, double x) {
    const double wv = w * v, wv2 = wv * v;
    S0 += w;
    S1 += wv;
    S2 += wv2;
    S3 += wv2 * v;
    S4 += wv2 * v * v;
    Y0 += w * x;
    Y1 += wv * x;
    Y2 += wv2 * x;
  }
};

// The weight of a point at offset c from the centre: (1 - u^2)^2 with
// u = c/dt, or 0 outside -1 < u < 1.
double RunningParabolaWeight(double c, double dt);

// Cramer's rule for the centre value a0 of x = a0 + a1 v + a2 v^2:
// A = S2 S4 - S3^2, B = S2 S3 - S1 S4, C = S1 S3 - S2^2,
// det = A S0 + B S1 + C S2, a0 = (A Y0 + B Y1 + C Y2)/det (only when
// det > 0), rho = det/(S0 S2 S4) when that product is positive, else 0.
struct CentreFit {
  double A = 0, B = 0, C = 0, det = 0;
  double rho = 0;
  bool solved = false;  // det > 0
  double a0 = 0;        // valid when solved
};
CentreFit SolveCentre(const ParabolaSums& s);

// Index of the first point at or after `from` whose offset from tc lies
// inside the window (u = (t - tc)/dt > -1), or n + 1 when none; and of the
// first point at or after `from` beyond it (u >= 1), or n + 1. t[1..n]
// ascending, dt > 0: u then rises with the index, so both are found by
// bisection and the window is lo .. end - 1.
int FirstInWindow(const double* t, int n, int from, double tc, double dt);
int WindowEnd(const double* t, int n, int from, double tc, double dt);

// The first k in 2..n with t[k] < t[k-1], or 0 when t[1..n] ascends.
int FirstUnsorted(const double* t, int n);

// The smoothed value at every point k = 1..n (t ascending, dt > 0), with
// v = t[i] - t[k]: a0 from SolveCentre, or x[k] itself when the window is
// too thin (det <= 0 or rho < 0.001); s[k] := x[k] - a0. `before(k)` is
// called before each point; when it answers false the work stops there
// and false is returned (s[1..k-1] are written). Cost: the number of point
// pairs within dt of each other.
template <class Before>
bool RunningParabolaResiduals(const double* t, const double* x, int n, double dt, double* s,
                              Before&& before);

// The points form: refuses dt <= 0 or t not ascending with a log line
// (then nothing changes and false is returned); otherwise pen 27 (its log
// line "Color overflow"), the lines "0", "180", "RP computation", the
// countdown n - k whenever it is a multiple of 100, s[k] := x[k] - a0 for
// every point, pen 14. Long runs feed the progress display; when it asks
// to stop, s keeps its old values and false is returned.
bool RunningParabolaPoints(Engine& engine);

// Key "~^": pending prompt "Dt=" + dt, RunningParabolaPoints, fit marks on.
// -> Rescale (Read when refused: nothing changed).
Continuation RunningParabolaKey(Engine& engine);

// Action "parabola": asks dt in the input box "Delta_t" (a non-numeric
// answer keeps it; dt <= 0 is refused with a message and no key is sent),
// then sends "~^".
void RunningParabolaAction(Engine& engine);

// RP_Table: the smoothed curve on the grid start, start + step, ... <=
// final, asked line by line through the console, written to a text file
// (default "rp1.dat"). A grid point is written only when its window holds
// a point at u <= 0, a point at u >= 0 and 4 points with |u| <= U0, and
// the parabola gives rho >= 0.01 and a value within the whole-set signal
// range xMinAll..xMaxAll. Refuses unsorted data, an empty set and dt or
// step <= 0.
void RunningParabolaTable(Engine& engine);

// The line that cites the method's publication.
const std::string& RunningParabolaCitation();

// --- template definition ---

template <class Before>
bool RunningParabolaResiduals(const double* t, const double* x, int n, double dt, double* s,
                              Before&& before) {
  int start = 1;
  for (int k = 1; k <= n; ++k) {
    if (!before(k)) return false;
    const double tc = t[k];
    ParabolaSums sums;
    // The previous window began at `start`; with ascending t this one
    // cannot begin earlier.
    int i = start;
    bool first = true;
    for (; i <= n; ++i) {
      const double c = t[i] - tc;
      const double u = c / dt;
      if (u <= -1) continue;
      if (u >= 1) break;
      if (first) {
        start = i;
        first = false;
      }
      const double q = 1 - u * u;
      sums.Add(q * q, c, x[i]);
    }
    const CentreFit fit = SolveCentre(sums);
    double a0 = x[k];
    if (fit.solved) a0 = fit.a0;
    if (fit.rho < 0.001) a0 = x[k];  // too few or too one-sided points: no smoothing
    s[k] = x[k] - a0;
  }
  return true;
}

}  // namespace teril

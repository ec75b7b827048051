// Scalegrams: a smoothing repeated over a range of scales, with statistics
// per scale, so that the user can choose the best one. The running
// parabola scalegram fits the running parabola at every point for the
// half-widths dt = 10^(k/20), k = k1..k2, and appends one record per dt to
// "<data file without extension>_r2.dat".
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/fwd.h"

namespace teril {

// Sums over the points of one window, centred on t_c, with v = t - t_c,
// u = v/dt, w = (1 - u^2)^2 and the signal measured from `xShift`
// (y = x - xShift; the fitted parabola absorbs the shift, the residuals do
// not see it, and the squares lose far fewer digits):
// S_k = sum w v^k (k = 0..4), Y_k = sum w v^k y (k = 0..2), Q = sum w y^2,
// W_k = sum w^2 v^k (k = 0..4), near = the number of points with
// |u| <= U0.
struct ScalegramSums {
  double S[5] = {0, 0, 0, 0, 0};
  double Y[3] = {0, 0, 0};
  double Q = 0;
  double W[5] = {0, 0, 0, 0, 0};
  int near = 0;
};

// The window around t_c as ranges of indices (t ascending, dt > 0):
// lo..end - 1 are the points with -1 < u < 1, nearLo..nearEnd - 1 those
// with -U0 <= u <= U0. Every edge only moves forward as t_c grows.
struct WindowRange {
  int lo = 1, end = 1, nearLo = 1, nearEnd = 1;
};
// The ranges around tc found by bisection.
WindowRange WindowAt(const double* t, int n, double tc, double dt, double u0);
// The ranges moved forward from those of an earlier centre to tc.
void AdvanceWindow(const double* t, int n, double tc, double dt, double u0, WindowRange& w);

// The sums of the window `r` around t[i] (near: nearEnd - nearLo). The
// points are taken four at a time in four running sums added at the end,
// then the last ones one by one: a fixed order for every window, on every
// processor.
ScalegramSums WindowSums(const double* t, const double* x, const WindowRange& r, int i, double dt,
                         double xShift);

// What one centre contributes to the statistics of its dt (see
// ScalegramStep); `used` is false when the centre does not count.
struct CentreTerms {
  bool used = false;
  double dof = 0, e = 0, R = 0, h2 = 0, r2 = 0, p0 = 0;
};
// From the sums of the window around a point whose signal is y_c =
// x_c - xShift: the point counts when near > 3 and det > 0 (the
// determinant of the running parabola) and then h2 > 0 and R > 0, with
// the inverse a of the normal matrix from its cofactors, p = a Y,
// h2 = sum (w (a00 + a01 v + a02 v^2))^2, R = Q - sum w (p0 + p1 v + p2 v^2)^2,
// dof = S0 - (a00 W0 + a11 W2 + a22 W4 + 2 (a01 W1 + a02 W2 + a12 W3)),
// e = h2 + 1 - 2 a00, r2 = (y_c - p0)^2; p0 is measured from xShift.
CentreTerms TermsOf(const ScalegramSums& s, double yc);

// One record of the scalegram file.
struct ScalegramRecord {
  double dt = 0;
  int count = 0;  // centres that counted
  int n = 0;      // points of the data set
  // sigma_a = sqrt(sum r2 / sum e), sigma_b = sqrt(sum R / sum dof),
  // vBar = sqrt(sum h2 / count), rhoRms = sqrt(sum r2 / count),
  // SN = sqrt(count var/(count - 1))/vBar/sigma_a with var the variance of
  // the smoothed values. A value that cannot be formed (a square root of a
  // negative number, a division by zero; for SN also count < 2) is -1.
  double sigmaA = -1, sigmaB = -1, vBar = 0, rhoRms = 0, SN = -1;
};

// The record of one dt over the centres 1..n (t ascending, dt > 0), or
// nothing when no centre counts. The centres are split into blocks of a
// fixed size, each summed in point order and the blocks added in block
// order, so that the result does not depend on `threads` (0: one per
// core). `progress`, when set, is called on the calling thread now and
// then with the number of centres done; its answer false is remembered in
// `stopAsked` (the dt is finished all the same).
std::optional<ScalegramRecord> ScalegramStep(const double* t, const double* x, int n, double dt,
                                             int threads,
                                             const std::function<bool(long long)>& progress,
                                             bool* stopAsked);

// Str(dt:13:6) Str(count:6) Str(n:6), then sigma_a, sigma_b, vBar,
// vBar sigma_a, vBar sigma_b, rhoRms, SN each as Str(v:12:8). Products of
// an undefined (-1) sigma are -1 too.
std::string FormatScalegramRecord(const ScalegramRecord& r);

// The dialog presets for t[1..n] ascending with t[n] > t[1]: dtmin, the
// smallest positive step between neighbours (at most t[n] - t[1]);
// k1 = round(20 lg(1.5 dtmin/0.7) + 0.5), k2 = round(20 lg(t[n] - t[1]) + 0.5)
// (to nearest, halves to even).
struct ScalegramRange {
  long long k1 = 0, k2 = 0;
};
ScalegramRange ScalegramPresets(const double* t, int n);

// The file name: the data file name without its extension + "_r2.dat".
std::string ScalegramFileName(const std::string& inputFile);

// Texts of the dialog "Running Parabola ScaleGram" (Fm3RP2): the hint of
// its OK button when both fields hold integers, and when they do not.
inline constexpr const char* kScalegramHintOk = "Both fields are\n\r_integer_ numbers, OK";
inline constexpr const char* kScalegramHintBad = "Both fields must be\n\r_integer_ numbers";

// The command RunningParabolaScalegram1: sorts unsorted data (message
// "Data were sorted just now!  k=" + (n + 1)), shows the dialog with the
// presets, then runs k = k1..k2 with a log line per dt, the lines
// "i=" + i + " dt=" + dt for every thousandth centre and a record per dt
// with a counting centre. Cancel stops after the dt in progress.
void RunningParabolaScalegram(Engine& engine);

}  // namespace teril

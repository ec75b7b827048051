// The correction of the period from the drift of the phases (the second
// "U" in a row) and the O-C residuals against the regression line ("(").
//
// Both use the regression state of the correlation of the visible points:
// the line x = xMean + b (t - tMean), q = r / sR, SX = sigmaX sR and the
// count of points used. With moments of minima as t and their phases as x
// (x->phase), b is the drift of the phase per unit of time.
#pragma once

#include <string>

#include "data/data_set.h"
#include "engine/fwd.h"
#include "periodicity/ephemeris.h"
#include "smoothing/correlation_state.h"

namespace teril {

// Decimals beyond this are rounding noise of a double.
constexpr int kMaxPeriodDecimals = 15;

// Decimals of the periods: k = -lg |sigma| rounded to the nearest integer;
// k + 3 when k >= 1, else 0; at most kMaxPeriodDecimals, which a zero or
// non-finite sigma also gets (the period is then known to the last digit
// the line allows).
int PeriodDecimals(double sigma);

// The corrected ephemeris of the ephemeris T0, P and the regression state,
// with sigmaA = SX (error of the line at tMean) and sigmaB = b/q (error of
// the slope):
//   Pc = P / (1 - b P),  sigmaPc = sigmaB Pc^2;
//   u = (tMean - T0)/P - xMean, E its nearest integer, psi = u - E in
//   [-0.5, 0.5];
//   Tc = tMean - psi Pc (the epoch nearest to the mean time),
//   OC = Tc - T0 - E P,  sigmaTc = P sqrt(sigmaA^2 + ((Tc - tMean) sigmaB)^2);
//   Tc2 = tMean + ((T0 - tMean)/P + xMean) Pc (the corrected epoch nearest
//   to T0), sigmaTc2 likewise with Tc2.
struct PeriodCorrection {
  double Pc = 0, sigmaPc = 0;
  int periodDecimals = 0;
  long long E = 0;
  double psi = 0;
  double Tc = 0, OC = 0, sigmaTc = 0;
  double Tc2 = 0, sigmaTc2 = 0;
};

// False, with the reason in `why`, when the correction does not exist:
// P = 0, b P = 1 (a drift of one cycle per period: no finite period), or a
// cycle number too large for an integer.
bool ComputePeriodCorrection(const Ephemeris& eph, const CorrelationState& c, PeriodCorrection& out,
                             std::string& why);

// The twelve lines appended to "_corr_P" for the data file `inputFile`, the
// points first..last of the view and n points used.
std::string CorrPText(const std::string& inputFile, int n, int first, int last, double P, double T0,
                      const PeriodCorrection& pc);

// CorrectPeriod: the correction from the last correlation, appended to
// "<stem>_corr_P", logged (the same lines, then one blank line) and written
// in the left margin of the plot; clears
// justCorrelated. P and T0 are not changed (the dialog T_0, P, Q takes
// the new values). Returns false, with a log line, when no correction
// exists.
bool CorrectPeriod(Engine& e);

// ("U") The correlation, or, right after one (the previous key was "U"),
// the correction of the period; then the message box "corr=" with r.
// -> Wrap
Continuation CorrelationOrCorrectionKey(Engine& e);

// The lines of "_o-c_lin.dat": for every point t (tWidth:tDecimals) and
// x - xMean - (t - tMean) b (xWidth + 3 : xDecimals + 2), one after the
// other.
std::string OCText(const DataSet& d, const CorrelationState& c);

// ("(") Logs "O-C>>"; runs the correlation first when none was computed
// since the data file was loaded; writes "<stem>_o-c_lin.dat". -> Read
Continuation OCKey(Engine& e);

}  // namespace teril

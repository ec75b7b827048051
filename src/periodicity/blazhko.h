// The two-frequency fit of the Blazhko effect: a main pulsation with its
// first two harmonics, each modulated by a sinusoid of a second, much
// lower frequency.
//
// Frequencies are in cycles per unit of t. The argument of the fit is
// u = t - t-bar (t-bar: the mean time of the fitted points).
#pragma once

#include <string>

namespace teril {

class Engine;

constexpr int kBlazhkoLinear = 15;           // linear coefficients C1..C15
constexpr int kBlazhkoParams = 17;           // with f1 (C16) and f2 (C17)
constexpr int kBlazhkoScanSteps = 21;        // modulation frequencies tried by the scan
constexpr int kBlazhkoPassLimit = 100;       // the iteration stops after more passes than this
constexpr double kBlazhkoTolerance = 1e-14;  // a correction this small ends the iteration
constexpr int kBlazhkoCurveLines = 2000;     // lines of the model curve file

// The fifteen basis functions at u, into f[1..15]. With p = 2 pi f1 u,
// a1 = cos p, b1 = sin p, a2 = cos 2p, b2 = sin 2p, cB = cos 2 pi f2 u,
// sB = sin 2 pi f2 u:
//   1, cB, sB, a1, a1 cB, a1 sB, b1, b1 cB, b1 sB,
//   a2, a2 cB, a2 sB, b2, b2 cB, b2 sB.
void BlazhkoBasis(double f1, double f2, double u, double* f);

// The model sum_{i=1..15} C[i] f_i(u) at the frequencies f1, f2.
double BlazhkoModel(const double* C, double f1, double f2, double u);

// The partial derivatives of BlazhkoModel at u with respect to f1 (d1)
// and f2 (d2), at fixed C[1..15]: the two derivative columns of the
// Gauss-Newton correction of the frequencies.
void BlazhkoDerivatives(const double* C, double f1, double f2, double u, double& d1, double& d2);

// The stop rule of the iteration after `passes` passes with the
// corrections d16 (of f1) and d17 (of f2): either correction at most
// kBlazhkoTolerance in magnitude, or more than kBlazhkoPassLimit passes.
bool BlazhkoIterationDone(double d16, double d17, int passes);

// Modulation frequency k (0..20) of the scan: from + (to - from) k / 20.
double BlazhkoScanFrequency(double from, double to, int k);

// The fit of the points firstVisible..lastVisible with the inputs of
// engine.blazhko (mainFrequency, fromFrequency <= toFrequency):
//  - fewer than 17 points: the lines "Number of points too small." and
//    "Number of coef = 17", sigma of T = 1e32, no files;
//  - the scan of f2 over 21 values at the given f1, written to
//    "<stem>_blazhko_period.dat" (f2 and sqrt(ResidualSum / (N - 17)),
//    the 23-character form), the smallest sum chosen (the first of equals);
//  - Gauss-Newton passes on f1 and f2, each a linear fit of C1..C15 and a
//    17 x 17 correction with the derivative columns of the fitted model,
//    until BlazhkoIterationDone; the lines "iter =<passes> dtm c6 =<d17>"
//    and " after iter c5=<f1>  c6=<f2>";
//  - the model curve "<stem>_blazhko.dat": a header and 2,000 lines of
//    k/100, x_c, x_c - sigma, x_c + sigma, the basis taken at u = 1 with
//    the frequencies k/100 and k/2000 (20 main cycles over one modulation
//    cycle), sigma from the leading 15 x 15 block of the last inverse.
// Leaves C1..C17 in engine.lsq.Coef and the statistics in engine.blazhko.
// A singular system or a stop asked through the progress display ends the
// fit with a log line and without the model curve. Throws IoError when a
// file cannot be written. The fit routine is back in its usual mode
// afterwards, however the call ends.
void BlazhkoFit(Engine& engine);

// The menu command: the dialog "Blazhko effect" (main frequency, the range
// of the modulation frequency), then BlazhkoFit. Cancel runs nothing; a
// field that is not a number, a main or lower modulation frequency that is
// not positive, or a range whose "from" lies above its "to" refuses the
// command with a message that names the field, and nothing is written.
void RunBlazhkoCommand(Engine& engine);

// Names of the two result files for the data file `inputFile`.
std::string BlazhkoScanFileName(const std::string& inputFile);
std::string BlazhkoCurveFileName(const std::string& inputFile);

}  // namespace teril

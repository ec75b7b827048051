// State of the two-frequency fit of the Blazhko effect: the dialog's last
// answers and the results of the last fit. The coefficients C1..C17 (the
// fifteen linear ones, then f1 and f2) stay in the least-squares state.
#pragma once

#include <string>

namespace teril {

struct BlazhkoState {
  // Texts of the dialog fields as last entered, offered again next time.
  // An empty main frequency is offered as the ephemeris frequency.
  std::string mainText, fromText, toText;

  // Inputs of BlazhkoFit, in cycles per unit of t: the main frequency and
  // the range of the modulation frequency scanned (from <= to).
  double mainFrequency = 0, fromFrequency = 0, toFrequency = 0;

  // ---- Results of the last BlazhkoFit ----
  bool completed = false;           // the iteration ended and the model curve was written
  bool converged = false;           // it ended by the size of a correction, not by the pass limit
  int N = 0;                        // points fitted
  int passes = 0;                   // passes of the iteration
  double meanTime = 0;              // t-bar: the argument of the fit is u = t - t-bar
  double scanBest = 0;              // modulation frequency of the smallest sum in the scan
  double f1 = 0, f2 = 0;            // fitted frequencies (C16, C17)
  double f1Sigma = 0, f2Sigma = 0;  // their formal errors, sqrt(Sigma2 A^-1[k][k])
  double lastCorrection = 0;        // correction of f2 of the last pass
  double ResidualSum = 0;           // sum of squared residuals of the final model
  double Sigma2 = 0;                // ResidualSum / (N - 17), or 1e32 when N <= 17
  double sigma0 = 0;                // sqrt(Sigma2)
};

}  // namespace teril

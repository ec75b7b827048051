// The regression state: what the correlation and regression of the visible
// points ("U") leaves for the smoothed value at the regression line and for
// the period correction and O-C against the line.
#pragma once

namespace teril {

// Sentinel of the ratios and slopes that do not exist (q without an error
// of r, the slope of t on x without a correlation).
inline constexpr double kNoRatio = 1e25;

struct CorrelationState {
  // Set once a correlation has run on the data of this file (the values
  // below are then those of the last run).
  bool valid = false;
  // Set at the end of the correlation, cleared by the period correction. A
  // second "U" in a row is a follow-up only while this and followUp are set.
  bool justCorrelated = false;
  // Set by "U", cleared by every other key of the key loop.
  bool followUp = false;

  int count = 0;          // points used (visible, and with s > 0 when weighted)
  bool weighted = false;  // w = 1/s^2 (weights loaded), else w = 1
  double W = 0;           // sum of the weights
  double nEff = 0;        // effective number of points W^2 / sum w^2 (count when unweighted)
  double tMean = 0;       // weighted mean of t
  double xMean = 0;       // weighted mean of x
  double sigmaT = 0;      // sqrt(sum w (t - tMean)^2 / W)
  double sigmaX = 0;      // sqrt(sum w (x - xMean)^2 / W)
  double r = 0;           // correlation coefficient, 0 when sigmaT sigmaX = 0
  double sR = 0;          // error of r: sqrt((1 - r^2)/(nEff - 2)), 0 when r^2 = 1 or nEff <= 2
  double q = kNoRatio;    // r / sR, kNoRatio when sR = 0
  double b = 0;           // slope of x on t, dx/dt: r sigmaX / sigmaT (0 when sigmaT = 0)
  double kT =
      kNoRatio;   // slope of t on x written as dx/dt: sigmaX / (sigmaT r); kNoRatio when r = 0
  double SX = 0;  // sigmaX sR: error of the line at tMean
  // Error of b: b/q; when q = 0 (r = 0 with sR > 0) the same quantity
  // sR sigmaX / sigmaT, and kNoRatio when that does not exist either.
  double sigmaB = 0;
  // Error of 1/kT (dt/dx) in the same way: (1/kT)/q, or sR sigmaT / sigmaX.
  double sigmaD = 0;

  // A newly opened file has no correlation yet.
  void StartFile() { *this = CorrelationState(); }
};

}  // namespace teril

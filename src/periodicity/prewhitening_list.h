// The frequency list of prewhitening and the options of its search: the
// plain data that the steps (prewhitening.h) change and the engine keeps.
// Apart from prewhitening.h so that the engine's state needs no periodogram.
#pragma once

#include <string>
#include <vector>

#include "periodicity/multi_sine.h"

namespace teril {

// Grids with more frequencies than this are refused (as by the periodogram).
constexpr double kMaxSpectrumFrequencies = 1e8;
// The list holds at most this many frequencies.
constexpr int kMaxListedFrequencies = 200;

struct PrewhiteningOptions {
  double fLow = 0;           // cycles per unit of t, >= 0
  double fHigh = 0;          // > fLow
  double oversampling = 10;  // > 0; df = 1 / (oversampling T)
  int maxFrequencies = 20;   // 1 .. kMaxListedFrequencies
  double stopSnr = 4;        // >= 0
  double noiseBox = 2;       // full width of the noise box, cycles per unit of t, > 0
  int maxHarmonic = 10;      // labels: harmonics 2 f .. maxHarmonic f
  int combinationTerm = 2;   // labels: 1 <= |i|, |j| <= combinationTerm
};

// One frequency of the list: the fitted values, their errors from the
// covariance and from Montgomery & O'Donoghue, and the signal-to-noise.
struct FrequencyTerm {
  SineTerm value;
  SineTerm sigma;     // from the covariance of the fit (NaN when singular)
  SineTerm analytic;  // Montgomery & O'Donoghue (1999)
  double noise = 0;   // mean residual amplitude in the noise box
  double snr = 0;     // value.amplitude / noise
  std::string label;  // "2f1", "f1+f2", "f2-f1", ...; empty when none
};

// One step of the search: the peak of the residual spectrum.
struct PrewhiteningStep {
  double frequency = 0;  // refined peak frequency
  double amplitude = 0;  // its amplitude in the residual spectrum
  double noise = 0;      // mean amplitude in the noise box around it
  double snr = 0;        // amplitude / noise
};

// The state that the steps change: the list and the fit of the data to it.
struct FrequencyList {
  std::vector<FrequencyTerm> terms;  // in the order found; f1 = terms[0]
  double mean = 0, meanSigma = 0;
  double tZero = 0;        // time zero point of the phases
  double span = 0;         // T
  double residualRms = 0;  // of the last fit
  int iterations = 0;      // of the last fit
  bool converged = true;   // of the last fit
  bool fitted = false;     // false until the first fit (then mean and residualRms hold)
  std::vector<PrewhiteningStep> steps;  // one per frequency added from a peak
  std::vector<SineTerm> Values() const;
};

}  // namespace teril

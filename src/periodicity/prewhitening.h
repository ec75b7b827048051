// Prewhitening: the frequencies of a multi-periodic light curve found one
// at a time, each step on the residuals of the fit of all before it.
//
// A step takes the amplitude spectrum (Deeming 1975; periodogram.h, method
// Amplitude) of the residuals of the current fit on the grid fLow, fLow +
// df, ... fHigh, df = 1 / (oversampling T), T the time span; adds its
// highest peak (refined by the parabola through the grid values around it)
// to the list; and fits the mean and every frequency, amplitude and phase
// at once (multi_sine.h, Levenberg-Marquardt, weights 1/s^2 when errors
// are given), starting from the linear fit of the amplitudes and phases at
// the frequencies found.
//
// Noise and signal-to-noise (Breger et al. 1993, A&A 271, 482): the noise
// at a frequency f is the mean amplitude of the residual spectrum on the
// grid points within the box f - noiseBox/2 .. f + noiseBox/2 (noiseBox is
// the full width; the box is cut at frequency 0). The S/N of a frequency
// of the list is its amplitude over the noise of the final residuals
// there; the automatic loop stops before a peak whose amplitude is below
// stopSnr times the noise of the spectrum it was found in.
//
// Combinations (Loumos & Deeming 1978, Ap&SS 56, 285, for the resolution):
// a frequency is labelled when it lies within 1.5 / T of a harmonic n f_a
// (2 <= n <= maxHarmonic) or of a combination i f_a + j f_b (1 <= |i|,
// |j| <= combinationTerm) of frequencies earlier in the list that carry no
// label themselves; the match of the lowest order (n, or |i| + |j|) wins,
// a harmonic before a combination of the same order, then the closest.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "periodicity/multi_sine.h"
#include "periodicity/periodogram.h"
#include "periodicity/prewhitening_list.h"

namespace teril {

// Called between steps (and between units of the spectrum of a step) with
// the frequencies in the list and the most there can be; false stops, and
// the list stays as after the last finished step.
using PrewhiteningProgress = std::function<bool(long long done, long long total)>;

// The reason for a refusal, or empty: the options against their ranges,
// the grid of the data's span against kMaxSpectrumFrequencies, a series
// that spans no time or has too few points for one frequency (3 + 1
// parameters and one point more).
std::string CheckPrewhitening(const MultiSineData& data, const PrewhiteningOptions& options);

// The grid of the options for the data (its count checked by
// CheckPrewhitening).
FrequencyGrid PrewhiteningGrid(const MultiSineData& data, const PrewhiteningOptions& options);

enum class StepStatus { Done, Stopped, Refused };

struct StepResult {
  StepStatus status = StepStatus::Done;
  std::string message;  // why it was refused
};

// The highest peak of the residual spectrum of the current fit on the grid
// of the options (checked by CheckPrewhitening); `stopped` when the
// progress callback said stop, a peak of amplitude 0 when there is none.
// Requires list.fitted (throws std::invalid_argument otherwise).
struct PeakSearch {
  bool stopped = false;
  PrewhiteningStep peak;
};
PeakSearch FindHighestPeak(const MultiSineData& data, FrequencyList& list,
                           const PrewhiteningOptions& options,
                           const PrewhiteningProgress& progress = {});

// "Add highest peak": one step. Refused (list unchanged) when the options
// are refused, the list is full, there are too few points for the 3 n + 4
// parameters, the residuals are flat, or the new fit is singular (the peak
// repeats a frequency of the list).
StepResult AddHighestPeak(const MultiSineData& data, FrequencyList& list,
                          const PrewhiteningOptions& options,
                          const PrewhiteningProgress& progress = {});

// Adds the frequency f and fits all, as a step does with its peak (but
// records no step). Refused as AddHighestPeak.
StepResult AddFrequency(const MultiSineData& data, FrequencyList& list,
                        const PrewhiteningOptions& options, double f);

// "Fit all": the nonlinear fit from the current values, then S/N and labels.
StepResult FitAll(const MultiSineData& data, FrequencyList& list,
                  const PrewhiteningOptions& options);

// "Remove frequency": drops frequency `number` (1-based) and fits the rest.
StepResult RemoveFrequency(const MultiSineData& data, FrequencyList& list,
                           const PrewhiteningOptions& options, int number);

enum class PrewhiteningEnd {
  BelowSnr,      // the next peak was below stopSnr
  ListFull,      // maxFrequencies reached
  TooFewPoints,  // no more parameters than points allow
  Stopped,       // by the progress callback
  Refused        // bad options, or a step refused (see message)
};

struct PrewhiteningOutcome {
  PrewhiteningEnd end = PrewhiteningEnd::BelowSnr;
  PrewhiteningStep lastPeak;  // BelowSnr: the peak that was not taken
  std::string message;
};

// The automatic loop: steps until the list holds maxFrequencies, the next
// peak is below stopSnr, the points allow no more parameters, or the
// progress callback says stop; then the S/N and labels of the final fit.
PrewhiteningOutcome Prewhiten(const MultiSineData& data, FrequencyList& list,
                              const PrewhiteningOptions& options,
                              const PrewhiteningProgress& progress = {});

// Noise and S/N of every frequency from the residuals of the current fit,
// and the labels.
void UpdateSignalToNoise(const MultiSineData& data, FrequencyList& list,
                         const PrewhiteningOptions& options);

// The label of frequencies[k] among frequencies[0 .. k-1] whose labels in
// `labels` are empty (see the head of this file); "" when none fits.
// Frequency numbers in the label are 1-based.
std::string CombinationLabel(std::span<const double> frequencies,
                             std::span<const std::string> labels, std::size_t k, double resolution,
                             int maxHarmonic, int combinationTerm);

// The residuals x - model of the current fit, and the model at time t.
std::vector<double> PrewhiteningResiduals(const MultiSineData& data, const FrequencyList& list);
double PrewhiteningModel(const FrequencyList& list, double t);

}  // namespace teril

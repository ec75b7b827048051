// The text of the prewhitening results: the log lines and the files
// "<stem>_frequencies.dat", "<stem>_prewhitening.dat" and
// "<stem>_window.dat", as pure functions (numbers through base/numfmt.h),
// so that the commands only write them.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "periodicity/prewhitening.h"

namespace teril {

// "<stem>_frequencies.dat": a header line that also states the time zero
// point of the phases, then one line per frequency: number, frequency,
// sigma, amplitude, sigma, phase (cycles), sigma (the errors from the
// covariance of the fit), S/N, label ("-" when none). Numbers in the
// 23-character form, S/N with two decimals.
std::string FrequenciesFileText(const FrequencyList& list);

// "<stem>_prewhitening.dat": a header line, then one line per step: step
// number, peak frequency, its amplitude, the noise around it, their ratio.
std::string PrewhiteningStepsFileText(const FrequencyList& list);

// "<stem>_window.dat": the header line, and the lines "frequency window"
// for the grid points first .. first + values.size() - 1 (values[i] at
// grid.At(first + i)), so that a long grid is written a part at a time.
std::string WindowFileHeader();
std::string WindowFileLines(const FrequencyGrid& grid, std::span<const double> values,
                            long long first = 0);

// The log of the list: the fit (mean, time zero point, span, residual
// rms, iterations), then per frequency its values with both errors (from
// the covariance, and Montgomery & O'Donoghue's in brackets), S/N and
// label.
std::vector<std::string> FrequencyLogLines(const FrequencyList& list);

// One log line on how the automatic loop ended.
std::string OutcomeLogLine(const PrewhiteningOutcome& outcome, const PrewhiteningOptions& options);

}  // namespace teril

// The dialog "Periodogram" of the periodogram command and the reading of
// its answers.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/dialogs.h"
#include "engine/fwd.h"
#include "periodicity/period_search.h"

namespace teril {

// What the dialog asks.
struct PeriodogramRequest {
  double fLow = 0, fHigh = 0, oversampling = 10;  // cycles per unit of t; oversampling > 0
  PeriodogramMethod method = PeriodogramMethod::LombScargle;
  int peaks = 10;              // peaks to list, 0 .. 1000
  PeriodSearchOptions search;  // harmonics, bins and durations of methods 3 to 7
};

constexpr int kMaxPeaksListed = 1000;

// The ten fields in their order: "Lowest frequency", "Highest frequency"
// (default `defaultHigh`), "Oversampling", "Method" (1 to 7), "Peaks to
// list", then "Harmonics" (3; methods 3 and 4), "Band harmonics" (0;
// method 4), "Bins" (10; methods 5 and 6), "Shortest duration" and
// "Longest duration" (fractions of the period, 0.01 and 0.1; method 7).
// The last five apply (are read by the console mode) only when the Method
// is 3 to 7, so that an answer script of methods 1 and 2 keeps its five
// lines; the window enables each only for the methods that use it.
std::vector<DialogField> PeriodogramFields(double defaultHigh);

// Shows the dialog; nothing when it is cancelled or a field is refused
// (the reason, naming the field, logged and shown in a message box).
std::optional<PeriodogramRequest> AskPeriodogramRequest(Engine& engine, double defaultHigh);

// Logs "Periodogram: <why>" and an empty line and shows it in a message box.
void RefusePeriodogram(Engine& engine, const std::string& why);

}  // namespace teril

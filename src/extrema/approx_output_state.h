// State of the result output of the approximation commands, shared with
// the batch run over intervals.
#pragma once

namespace teril {

struct ApproxOutputState {
  bool SaveDecision = false;  // append the result of a final run to extr.dat
  bool BatchMode = false;     // no questions: every result is filed
  long long intervalCounter = 0;  // interval of the batch run (0 outside one)
  bool mapShown = false;      // the residual map is shown over the plot
};

}  // namespace teril

// State of the multi-frequency analysis kept between its commands: the
// frequency list that the steps change and the options they were made with.
#pragma once

#include "periodicity/prewhitening_list.h"

namespace teril {

struct PrewhiteningState {
  // The frequencies found so far and the fit of the visible points to them.
  FrequencyList list;
  // The answers of the last "Prewhitening" dialog: the grid, the noise box
  // and the limits that the step-by-step commands use too.
  PrewhiteningOptions options;
  bool optionsSet = false;  // false until the dialog was answered for this file

  // A new file has its own frequencies: the list and the options start afresh.
  void StartFile() { *this = PrewhiteningState(); }
};

}  // namespace teril

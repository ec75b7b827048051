// State of the interval batch: the list of intervals read from an intervals
// file, the interval shown, the choice of methods and the batch run.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace teril {

// Most entries an intervals file may give.
constexpr std::size_t kMaxIntervals = 2000000;

// One line of an intervals file: the first and last point (indices into the
// data set) and their times as the file gives them.
struct IntervalEntry {
  int startIndex = 0;
  double startTime = 0;
  int endIndex = 0;
  double endTime = 0;
};

// The nine methods of the "Choose method" form, numbered as the methods.
constexpr int kChoosableMethods = 9;

struct BatchState {
  // IntervalList[1..intervalCount]; index 0 unused. Grows as a file is read
  // (up to kMaxIntervals) instead of holding the full capacity from the start.
  std::vector<IntervalEntry> IntervalList = std::vector<IntervalEntry>(1);
  int intervalCount = 0;
  int currentInterval = 0;    // the entry shown; 0 after a list is read
  bool zeroBased = false;     // the file counts points from 0
  std::string intervalsFile;  // as chosen with "File for intervals"; empty until then

  // Check marks of the "Choose method" form, kept while the program runs:
  // methodChecked[1..9] by method number; index 0 unused.
  bool methodChecked[kChoosableMethods + 1] = {};
  bool newResultFile = false;  // "make new result file"

  bool abortRequested = false;  // "abort do for all": stop after the interval in progress
};

}  // namespace teril

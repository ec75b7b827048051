// The intervals file and the stepping through its intervals: reading the
// file, "File for intervals", "Prev. Interval", "Next Interval", "Go to
// interval number..." and the engine key code 5 that shows the current
// interval.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fwd.h"
#include "extrema/batch_state.h"

namespace teril {

// What reading an intervals file gives.
struct IntervalReadResult {
  std::vector<IntervalEntry> entries;  // entries[k - 1] is interval k
  bool zeroBased = false;              // the file counts its points from 0
  std::vector<std::string> log;        // the log lines, in order
};

// Reads the text of an intervals file; a pure function of its arguments.
//   fileName   - used in messages only;
//   content    - the whole text of the file;
//   pointCount - n, the points of the data set: an entry must lie in 1..n;
//   capacity   - the most entries kept.
// One interval per line: start index, start time, end index, end time,
// separated by blanks or tabs; the rest of the line is ignored, lines of
// blanks are skipped. When the first entry's start index is 0 the file is
// zero-based: 1 is added to both indices of it and of every later entry.
// Each entry logs "nint=" + count + "=" + start + "=" + end (count with
// this entry, indices after the zero-based shift) and is then dropped again
// when end - start < 1, or, with a line naming the file and the line, when
// its indices leave 1..n. A line whose four fields are not an integer, a
// number, an integer and a number is skipped with a line naming the file
// and the line. When `capacity` entries are held, a further entry stops the
// reading with a line naming the file and the line; the entries read stay.
IntervalReadResult ReadIntervals(const std::string& fileName, std::string_view content,
                                 int pointCount, std::size_t capacity = kMaxIntervals);

// Replaces the interval list by the entries of the file `path` (count and
// current interval as after a read, current 0). A missing file gives one
// interval, the whole data set (1..n, none when n = 0), with a log line
// saying so; a file that exists but cannot be read leaves the list and
// `intervalsFile` as they were and logs why. Returns false in that case.
bool ReadIntervalsFile(Engine& engine, const std::string& path);

// "File for intervals": the open dialog "Select file"; on OK the name
// becomes `intervalsFile`, "file for intervals=" + name is logged, the list
// is read and "no of intervals=" + count is logged.
void ChooseIntervalsFile(Engine& engine);

// Sets the view to interval k as key code 5 does: firstVisible/lastVisible
// from its indices, tMin/tMax from their times (tMax at least tMin + 1e-7),
// j and cursorPoint their middle, scrollShift 0, and the index range held
// for the drawing that follows. Logs "interval=" + k + " from " + count and,
// with `logTimes`, "Start time" + tMin + " end " + tMax (tMax before the
// widening). An interval that does not exist or no longer lies in 1..n is
// refused with a log line; returns false then.
bool SetViewToInterval(Engine& engine, int k, bool logTimes);

// Engine key code 5: shows the current interval. -> Window (the window is
// kept where it is); in phase mode, where the window does not move, the
// plot is redrawn here. A refused interval -> Read.
Continuation ShowInterval(Engine& engine);

// The menu items (they change the current interval only while the engine
// waits for a key, then send key code 5): "Prev. Interval", "Next
// Interval" (kept within 1..count with the message boxes "first interval"
// and "last interval") and "Go to interval number..." (the form "Gotoint",
// shown again until its text is an integer; cancelled: nothing happens).
void PrevInterval(Engine& engine);
void NextInterval(Engine& engine);
void GoToIntervalNumber(Engine& engine);

// The label of the go-to form: "Interval number <=" + count.
std::string GoToLabel(const Engine& engine);

// Stored title and filter of the open dialog of "File for intervals".
inline constexpr const char* kIntervalsTitle = "Select file";
inline constexpr const char* kIntervalsFilter = ".!|*.*!|all files|*.*";

}  // namespace teril

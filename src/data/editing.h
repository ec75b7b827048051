// Editing commands of the data set: deleting points (one, at a level, of
// one observer, outside the window or inside an interval of t), replacing
// single values, sorting, averaging points taken at the same moment and
// swapping columns.
//
// Every command works in place on engine.data and adjusts the view indices
// (j, firstVisible, lastVisible, cursorPoint) so that they keep pointing at
// existing points; the key loop then applies its continuation (redraw,
// rescale, ...). Nothing here redraws.
#pragma once

#include <string>

#include "data/data_set.h"
#include "engine/fwd.h"

namespace teril {

// Appends the line of the current point j to discard0.qvx in the current
// folder: inputFile, a blank, t (tWidth:tDecimals), x (xWidth:xDecimals),
// the signed code in width 3, a blank and the observer code. Throws IoError
// when the file cannot be written.
void LogDiscarded(Engine& engine, int code);

// The line of the discard log for a point with these values, in the data
// set's print format, ending with a newline.
std::string DiscardedLine(const Engine& engine, double t, double x, const ObserverCode& observer,
                          int code);

// Name of the discard log in the current folder.
inline constexpr const char* kDiscardLogFile = "discard0.qvx";

// Key "5": deletes the current point, logging it with code -|columnX|;
// n and lastVisible go down by one, `modified` is set and "N=" with the new
// count is written in the plot when one is attached. Returns false when
// there is no current point. The caller wraps j.
bool DeleteCurrentPoint(Engine& engine);

// Key ")": deletes every point whose x equals x[j] exactly, the current
// point included. Not logged; `modified` unchanged. Returns the count
// deleted.
int DeleteBadPoints(Engine& engine);

// Menu "Delete Current Author": deletes the points of selectedObserver;
// j moves back by one for each deleted point before it; logs
// "removed <code> kk=<deleted> n=<n>"; sets `modified`. Returns the count.
int DeleteObserverPoints(Engine& engine);

// Key ~D: logs "LOG>>Deleting observer...", deletes the points of
// selectedObserver and moves j back by the number deleted (not below 1);
// `modified` unchanged. Returns the count.
int DeleteObserverPointsByKey(Engine& engine);

// Key ~i: keeps only the points of selectedObserver; the whole set becomes
// visible and j := 1. Returns the number of points kept.
int KeepObserverPoints(Engine& engine);

// First half of key #6: keeps the points firstVisible..lastVisible whose t
// lies in [tMin, tMax]; their count also becomes the count used by the lag
// diagram. The whole remaining set becomes visible.
void ShortenToWindow(Engine& engine);

// Key Q|: asks " Left border for Delete ? " and "Right border for Delete ? "
// and writes every point whose t is not strictly inside (left, right) to
// Deleted.dat. Returns Continuation::Reload when the file was written (the
// key loop reloads the data file), Continuation::Rescale when the user
// cancelled with an empty (or non-numeric) answer; the data set is then
// left as it was.
Continuation DeleteIntervalOfT(Engine& engine);

// Key "V": x[j] := (4(x[j-1] + x[j+1]) - x[j-2] - x[j+2]) / 6 and the new
// value is logged with code +|columnX|. Only when 2 < j < n - 1; returns
// whether the point was replaced.
bool InterpolateCurrentPoint(Engine& engine);

// Keys #2, #3, #4: x[j] := x[j] / divisor.
void DivideCurrentPoint(Engine& engine, int divisor);

// Keys ~` (+1) and ~= (-1): x[j] += delta, j moves to the next point (the
// caller wraps it) and deferRescale is set.
void StepCurrentPoint(Engine& engine, double delta);

// Keys "%" (+1) and "^" (-1): x[i] += delta for i = j..n.
void ShiftFromCurrentPoint(Engine& engine, double delta);

// Key ~S and the menu "Sort": sorts the points by t (whole points move).
void SortByTime(Engine& engine);

// File written by AverageSameTimes: inputFile without its extension (from
// the last ".") + "_1t.dat".
std::string AverageFileName(const std::string& inputFile);

// Menu "Average for same times": shows the message box naming the file,
// then writes one line per run of adjacent points with equal t: t, the
// mean x, the observer list (last code first) and the count. The data set
// is not changed. Returns the number of lines written.
int AverageSameTimes(Engine& engine);

// Tab: exchanges t and x of every point and the two print formats.
void SwapTX(Engine& engine);

// Key ~t: exchanges x and s of every point.
void SwapXS(Engine& engine);

// Sets the lag-diagram count to n while no lag map is shown; called after
// every command that changes n.
void NoteCountChanged(Engine& engine);

}  // namespace teril

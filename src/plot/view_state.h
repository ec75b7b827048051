// The view state of the plot: which part of the argument range is visible
// and how the signal range maps to rows of the bitmap, the current point and
// the interval marks.
#pragma once

#include <cstddef>

#include "data/data_set.h"

namespace teril {

struct ViewState {
  double tMin = 0, tMax = 0;  // visible argument window, both ends included
  double halfWidth = 1;       // half the window width
  double tCentre = 0;
  double tMinAll = 0, tMaxAll = 0;  // argument range of the whole set
  int firstVisible = 1, lastVisible = 0;
  double xMin = 0, xMax = 0;  // xMin drawn at row 10, xMax at row 290
  int xMinIdx = 1, xMaxIdx = 1;
  double xMinAll = 0, xMaxAll = 0;
  double scrollShift = 0;  // half-widths by which MoveWindow shifts
  double tOrigin = 0;      // argument at column 130
  double tScale = 1;       // pixels per argument unit
  double xMid = 0;         // signal at row 150
  double xScale = 1;       // pixels per signal unit
  bool showInterpolation = false;
  bool showFitMarks = false;
  double savedTMin = 1e32;
  int mapShift = 0;
  double levelYc = 0;
  int j = 1;  // current point
  int cursorPoint = 1;
  ObserverCode selectedObserver{"   "};
  double x0Ref = 1.0;  // intensity reference (magnitude -> intensity)
  double m0Ref = 0.0;  // magnitude reference (intensity -> magnitude)
  // Palette indices of the plot: main, cursor and two more roles.
  int mainColor = 14, cursorColor = 13, colorIndex3 = 12, colorIndex4 = 11;
  int penIndex = 14;  // palette index of the current pen
  // Interval marks.
  int leftMark = 0;
  bool shortMarks = true;

  // 1/t0 of the current point at the last read-out (the three-point
  // parabola sets it too); a period candidate.
  double reciprocalT = 0;
  // Pixel position of the cursor at the last read-out (the marks circle it).
  int cursorX = 0, cursorY = 0;
  // Reading position in the marks file for the next-interval command;
  // marksFromStart asks for the file to be read from its beginning.
  bool marksFromStart = true;
  std::size_t marksOffset = 0;

  // An interval chosen by its point indices (from an intervals file). While
  // the window is still the one it set (the same tMin, tMax, point count and
  // visible indices), the plot keeps firstVisible..lastVisible instead of
  // recounting the visible points by time over the whole set: the blocks of
  // a bootstrap file all cover the same times.
  struct IndexRange {
    bool on = false;
    int first = 0, last = 0, n = 0;
    double tMin = 0, tMax = 0;
  } indexRange;
  bool IndexRangeHolds(int pointCount) const {
    const IndexRange& r = indexRange;
    return r.on && r.n == pointCount && r.first >= 1 && r.first <= r.last &&
           r.last <= pointCount && firstVisible == r.first && lastVisible == r.last &&
           tMin == r.tMin && tMax == r.tMax;
  }

  // The state a newly opened data file starts with (before ResetView). The
  // orientation is the check mark of "Inverse x" (MenuChecks::inverseX).
  void StartFile() {
    cursorPoint = 1;
    j = 1;
    savedTMin = 1e32;
    mapShift = 0;
    showInterpolation = false;
    showFitMarks = false;
    selectedObserver = ObserverCode("   ");
    leftMark = 0;
    shortMarks = true;
    marksFromStart = true;
    marksOffset = 0;
    indexRange = IndexRange();
    const ViewState preset;
    mainColor = preset.mainColor;
    cursorColor = preset.cursorColor;
    colorIndex3 = preset.colorIndex3;
    colorIndex4 = preset.colorIndex4;
  }
};

}  // namespace teril

// Interval marks: the ends of intervals recorded in the marks file for
// later batch runs, and the stepping through the intervals of that file.
//
// Files are written through AppendToFile; a marks file that cannot be
// created or appended to throws IoError to the caller.
#pragma once

#include "engine/engine.h"

namespace teril {

// Mark Left (F7): appends "j t[j] " (index without padding, t in the print
// format) to marksFile, without a line end. The plot is not changed.
void MarkLeft(Engine& e);
// Mark Right (F8): appends "j t[j] " and ends the line, so that Mark Left
// then Mark Right gives one line "i1 t1 i2 t2 ".
void MarkRight(Engine& e);

// ("~7") Engine left mark: circles the cursor, leftMark := j and shows its
// line number at (40, 220). In short mode appends the line number (width 5)
// and t0[j]. -> Read
Continuation EngineLeftMark(Engine& e);
// ("~8") Engine right mark: circles the cursor; with a pending left mark,
// in short mode ends the line with the line number (width 6) and t0[j]; in
// full mode appends the count of points between the two marks and one line
// "t0 x" per point, and shows "ilo3=" with the later end. Clears the pending
// mark. -> Read
Continuation EngineRightMark(Engine& e);
// ("~5") Marks format: refused with a beep while a left mark is pending;
// otherwise toggles shortMarks, ends marksFile with "!" (short) or "#"
// (full) and writes "short" or "full " at (0, 300). -> Read
Continuation ToggleMarksFormat(Engine& e);

// ("]") Reads the next record "i1 t1 i2 t2" of marksFile (from its start
// the first time and after its end was reached) and makes t1..t2 the
// window with cursorPoint := xMinIdx. Returns Redraw when lines i1..i2 lie
// in the loaded part of the data file; otherwise sets headerLines := i1 - 1,
// xMinIdx := 1, xMaxIdx := i2 - headerLines and returns Reload: the caller
// reads the data file again. At the end of the file (or at a record that is
// not four numbers) beeps and returns Redraw; when the file cannot be read
// returns Read and changes nothing.
Continuation NextMarkedInterval(Engine& e);

}  // namespace teril

// Interval marks: the ends of intervals recorded in the marks file for
// later batch runs, and the stepping through the intervals of that file.
//
// Files are written through AppendToFile; a marks file that cannot be
// created or appended to throws IoError to the caller.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/fwd.h"

namespace teril {

// One record of a marks file: the line numbers and times of an interval's
// two ends.
struct MarkRecord {
  int i1 = 0;
  double t1 = 0;
  int i2 = 0;
  double t2 = 0;
};

enum class MarkRead { Record, Bad, End };

// Reads the record "i1 t1 i2 t2" that starts at `pos` of a marks file's
// text (blanks and line ends before it, and a UTF-8 byte-order mark at the
// start, are skipped; the numbers may stand on several lines). Record: the
// four numbers, with whole line numbers in 1..2e9; `pos` moves to the end
// of the line that holds t2. Bad: the text there is not such a record.
// End: nothing but blanks is left.
MarkRead ReadMarkRecord(std::string_view text, std::size_t& pos, MarkRecord& record);

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
// not four numbers) beeps and returns Redraw; when the file is missing or
// cannot be read (a folder, no permission; said in the log) returns Read
// and changes nothing.
Continuation NextMarkedInterval(Engine& e);

}  // namespace teril

// The periodogram file "<stem>_periodogram.dat": a header line, then one
// line per grid frequency with the frequency and the value columns, each
// in the 23-character scientific form of Sci23 (base/numfmt.h), separated
// by one blank.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "periodicity/periodogram.h"

namespace teril {

// Writes Sci23(v) (23 characters, exactly as base/numfmt.h writes them)
// at `out` and returns the end.
char* WriteSci23(char* out, double v);

// Writes the file: `header` and a newline, then for k = 0 .. grid.count-1
// the line "Sci23(f_k) Sci23(columns[0][k]) ...". Lines are formatted on
// the threads in blocks and appended in order; `progress` (calling thread
// only) is asked between blocks and may stop the writing, after which the
// file is removed and false returned. Every column holds grid.count
// values. I/O failures throw IoError.
bool WritePeriodogramFile(const std::string& path, std::string_view header,
                          const FrequencyGrid& grid,
                          std::span<const std::span<const double>> columns,
                          const PeriodogramProgress& progress = {}, int threads = 0);

}  // namespace teril

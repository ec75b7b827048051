// Reading a delimited light-curve table (CSV, TSV, ECSV, AAVSO download and
// extended format, the survey tables of ZTF, ASAS-SN and Gaia DR3, any table
// whose header names its columns through the aliases of detect.h) into
// columns.
//
// The whole text is parsed in place: numbers with std::from_chars, no
// string per line. Cells that say "no value" (empty, "nan", "null", "na",
// "n/a", "--") become NaN and the import drops their rows with a reason;
// any other cell that is not a number is an error.
#pragma once

#include <string>
#include <string_view>

#include "formats/light_curve_table.h"

namespace teril {

// Columns of the table in `text`; `source` names the file in messages.
// Rows keep the order of the file. Throws FormatError, naming the file, the
// line and the column, for a table without a recognisable time or signal
// column, a row with fewer fields than the columns read, a cell that is not
// a number where one is expected, or a text that is no such table.
//
// Per flavour: ZTF takes hjd (else mjd), mag, magerr, filtercode and flags
// catflags != 0; ASAS-SN takes HJD or JD, mag, mag_err / Mag Error and
// Filter, and flags upper limits (">" or an error of 99.99) and a Quality
// other than "G"; Gaia takes time, band, mag and the error
// 2.5 / ln 10 * flux_error / flux (its table gives no magnitude error) and
// flags the two rejections; AAVSO takes JD, Magnitude, Uncertainty, Band
// and Observer Code and flags "<" (fainter than) estimates.
LightCurveTable ReadTable(std::string_view text, const std::string& source);

}  // namespace teril

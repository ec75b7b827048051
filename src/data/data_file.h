// Reading the observation data file.
//
// The first data line is analysed as text to find the layout (the width and
// decimals of t and x, where the observer code stands); the further lines
// are read as numbers. Column numbers count the numeric fields before the
// value: t is field 0, x is field `columnX`, s is field `columnS`.
//
// Files come as other tools write them: lines may end in LF, CR LF or a
// lone CR, a UTF-8 byte-order mark at the start is skipped, tabs count as
// blanks and blanks at the end of a line are ignored.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/line_reader.h"
#include "data/data_set.h"

namespace teril {

// What is wrong with a line of a data file.
enum class LineProblem {
  NotANumber,      // no number where one was expected
  DecimalComma,    // "2459000,1234 12,345": a decimal point is expected
  CommaSeparated,  // "2459000.1,12.3": blanks or tabs are expected between values
  TooLong,         // longer than kMaxLineBytes
  NotText,         // UTF-16 or binary bytes
};

// A data line that does not hold the expected numbers.
class DataFormatError : public std::runtime_error {
 public:
  DataFormatError(std::string file, int line, std::string_view text,
                  LineProblem problem = LineProblem::NotANumber);
  const std::string& file() const { return file_; }
  int line() const { return line_; }
  // The line as shown in the message (cut after 80 characters, control
  // characters shown as "?").
  const std::string& text() const { return text_; }
  LineProblem problem() const { return problem_; }

 private:
  std::string file_;
  int line_;
  std::string text_;
  LineProblem problem_;
};

// Why a line is not a data line: the numbers have a decimal comma, the
// values are separated by commas or semicolons, or simply NotANumber.
LineProblem ClassifyBadLine(std::string_view line);

struct ReadColumns {
  int columnX = 1;      // in/out: becomes 0 when the first data line holds one field
  int headerLines = 0;  // in/out: raised by the title lines met before the first data line
  // out: set when a line taken as a header line looked like data this
  // reader cannot take (a decimal comma, say) although data lines followed:
  // a note naming the file and the line, for the log.
  std::string note;
  // out: the header lines (the lines before the first data line, those
  // skipped by `headerLines` included), each followed by "\n", without
  // the blanks at their ends; at most kMaxHeaderText bytes, whole lines
  // only. Other commands read what the file says about itself there (the
  // time system, the star's position).
  std::string headerText;
  // in: a column of errors (s) to read along with the points, as
  // ParseSColumn reads it; taken only when it stands between t and x
  // (0 < columnS < columnX), which is how imported files are laid out.
  int columnS = 0;
  // out: the errors of the points read, s[0] for point 1; empty when they
  // were not read along (the caller then reads them as before).
  std::vector<double> s;
};

inline constexpr std::size_t kMaxHeaderText = std::size_t{1} << 16;

// Called for every point read after the first data line: number, t, x.
using EchoPoint = std::function<void(int, double, double)>;

// Parses the content of a data file into `data` (steps up to the format
// fix-ups; the order check and t0 are left to the caller). Returns the
// number of points (0: the file contains no data). Throws DataFormatError
// for a malformed line after the first data line (the points read before
// it stay loaded), for a line longer than 1 MB, and instead of finding no
// data when the file holds lines of numbers with a decimal comma or with
// commas between the values (naming the first such line) or is not text.
int ParseDataText(std::string_view content, const std::string& fileName, DataSet& data,
                  ReadColumns& columns, const EchoPoint& echo = {});
// The same from lines being read (a file read in blocks).
int ParseDataLines(LineReader& lines, const std::string& fileName, DataSet& data,
                   ReadColumns& columns, const EchoPoint& echo = {});

// Reads the s column (field `columnS`) of every data line after
// `headerLines` lines into data.s; with columnS <= 0 every slot gets 1.0.
// Returns the number of values read.
int ParseSColumn(std::string_view content, const std::string& fileName, DataSet& data,
                 int columnS, int headerLines);
int ParseSColumnLines(LineReader& lines, const std::string& fileName, DataSet& data, int columnS,
                      int headerLines);

// The answer to the header-lines question of key B: an empty answer adds
// j - 1 to the header lines, a number replaces them; negative results
// become 0.
int HeaderLinesFromAnswer(const std::string& answer, int headerLines, int j);

// Index of the last point whose t is below its predecessor's, 0 when the
// points are in ascending order.
int LastUnsortedIndex(const DataSet& data);

}  // namespace teril

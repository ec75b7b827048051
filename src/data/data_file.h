// Reading the observation data file.
//
// The first data line is analysed as text to find the layout (the width and
// decimals of t and x, where the observer code stands); the further lines
// are read as numbers. Column numbers count the numeric fields before the
// value: t is field 0, x is field `columnX`, s is field `columnS`.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/data_set.h"

namespace teril {

// A data line that does not hold the expected numbers.
class DataFormatError : public std::runtime_error {
 public:
  DataFormatError(std::string file, int line, std::string text);
  const std::string& file() const { return file_; }
  int line() const { return line_; }
  const std::string& text() const { return text_; }

 private:
  std::string file_;
  int line_;
  std::string text_;
};

struct ReadColumns {
  int columnX = 1;      // in/out: becomes 0 when the first data line holds one field
  int headerLines = 0;  // in/out: raised by the title lines met before the first data line
};

// Called for every point read after the first data line: number, t, x.
using EchoPoint = std::function<void(int, double, double)>;

// Parses the content of a data file into `data` (steps up to the format
// fix-ups; the order check and t0 are left to the caller). Returns the
// number of points (0: the file contains no data). Throws DataFormatError
// for a malformed line after the first data line; the points read before
// it stay loaded.
int ParseDataText(std::string_view content, const std::string& fileName, DataSet& data,
                  ReadColumns& columns, const EchoPoint& echo = {});

// Reads the s column (field `columnS`) of every data line after
// `headerLines` lines into data.s; with columnS <= 0 every slot gets 1.0.
// Returns the number of values read.
int ParseSColumn(std::string_view content, const std::string& fileName, DataSet& data,
                 int columnS, int headerLines);

// The answer to the header-lines question of key B: an empty answer adds
// j - 1 to the header lines, a number replaces them; negative results
// become 0.
int HeaderLinesFromAnswer(const std::string& answer, int headerLines, int j);

// Index of the last point whose t is below its predecessor's, 0 when the
// points are in ascending order.
int LastUnsortedIndex(const DataSet& data);

}  // namespace teril

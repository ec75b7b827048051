#include "formats/light_curve_table.h"

namespace teril {

namespace {

std::string Place(const std::string& file, int line, int column) {
  std::string s = "\"" + file + "\"";
  if (line > 0) s += ", line " + std::to_string(line);
  if (column > 0) s += ", column " + std::to_string(column);
  return s;
}

}  // namespace

FormatError::FormatError(std::string file, int line, int column, const std::string& message)
    : std::runtime_error("Cannot read " + Place(file, line, column) + ": " + message),
      file_(std::move(file)),
      line_(line),
      column_(column) {}

const char* RowFlagReason(int bit) {
  switch (bit) {
    case 0:
      return "ZTF catflags not 0";
    case 1:
      return "rejected by Gaia photometry or variability processing";
    case 2:
      return "upper limits";
    case 3:
      return "fainter-than estimates (<)";
    case 4:
      return "sentinel magnitudes (99.99 or the like)";
    case 5:
      return "ASAS-SN quality not G";
  }
  return "flagged";
}

}  // namespace teril

#include "data/data_file.h"

#include <cstdlib>

#include "base/numfmt.h"

namespace teril {

DataFormatError::DataFormatError(std::string file, int line, std::string text)
    : std::runtime_error("Error in data file " + file + ", line " + std::to_string(line) +
                         ": no number where one was expected: \"" + text + "\""),
      file_(std::move(file)),
      line_(line),
      text_(std::move(text)) {}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Walks the lines of a text, counting them from 1.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++number_;
    return true;
  }
  int number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;
};

bool IsBlankLine(std::string_view line) {
  for (char c : line)
    if (!IsBlank(c)) return false;
  return true;
}

// Reads the numbers of one data line after the first: returns false when
// the line does not hold them.
bool ReadDataLine(std::string_view line, int columnX, double& t, double& x, ObserverCode& obs) {
  std::size_t pos = 0, used = 0;
  auto number = [&](double& v) {
    auto r = ParseLeadingNumber(line.substr(pos), used);
    if (!r) return false;
    v = *r;
    pos += used;
    return true;
  };
  double skipped;
  if (columnX >= 1 && !number(t)) return false;
  int skip = columnX >= 1 ? columnX - 1 : (columnX < 0 ? -columnX : 0);
  for (int k = 0; k < skip; ++k)
    if (!number(skipped)) return false;
  if (!number(x)) return false;
  // One separator character, then up to three characters of observer code.
  if (pos < line.size() && !IsBlank(line[pos])) {
    // A number glued to text ("12.3abc") is not a number field.
    return false;
  }
  if (pos < line.size()) ++pos;
  obs = ObserverCode(pos < line.size() ? line.substr(pos, 3) : std::string_view());
  return true;
}

int DotPosition(std::string_view field) {  // 1-based, 0 when none
  auto p = field.find('.');
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

}  // namespace

int ParseDataText(std::string_view content, const std::string& fileName, DataSet& data,
                  ReadColumns& columns, const EchoPoint& echo) {
  LineReader reader(content);
  std::string_view line;
  data.phased = false;
  data.n = 0;
  for (int k = 0; k < columns.headerLines; ++k)
    if (!reader.Next(line)) return 0;

  // Find the first data line; every line before it whose first field is not
  // a number is one more header line.
  std::size_t w = 0;
  double first = 0;
  for (;;) {
    if (!reader.Next(line)) return 0;
    std::size_t p = 0;
    while (p < line.size() && IsBlank(line[p])) ++p;
    if (p == line.size()) {  // an empty line where the first data line belongs
      ++columns.headerLines;
      continue;
    }
    std::size_t blank = p;
    while (blank < line.size() && !IsBlank(line[blank])) ++blank;
    bool singleField = blank == line.size();
    w = singleField ? line.size() : blank;
    auto v = ParseNumber(line.substr(0, w));
    if (!v) {
      ++columns.headerLines;
      continue;
    }
    // Only a numeric single field switches to x-only mode; a one-word title
    // line is just a header line.
    if (singleField) columns.columnX = 0;
    first = *v;
    break;
  }

  int L = static_cast<int>(line.size());
  int wi = static_cast<int>(w);
  int dot = DotPosition(line.substr(0, w));
  int tWidthNew = wi;
  int tDecimalsNew = dot ? wi - dot : 0;

  data.n = 1;
  if (columns.columnX == 0) {
    data.x[1] = first;
    data.t[1] = 1.0;
    data.xWidth = wi;
    data.xDecimals = tDecimalsNew;
    data.tWidth = 4;
    data.tDecimals = 0;
    data.observer[1] = ObserverCode(wi + 1 < L ? line.substr(wi + 1, 3) : std::string_view());
  } else {
    if (columns.columnX > 0) {
      data.t[1] = first;
      data.tWidth = tWidthNew;
      data.tDecimals = tDecimalsNew;
    }
    int e = wi;  // end of the last field walked (0-based, exclusive)
    int count = columns.columnX > 0 ? columns.columnX : -columns.columnX;
    int fieldStart = e;
    for (int k = 0; k < count; ++k) {
      fieldStart = e;
      int q = e;
      while (q < L && IsBlank(line[q])) ++q;
      if (q == L) throw DataFormatError(fileName, reader.number(), std::string(line));
      while (q < L && !IsBlank(line[q])) ++q;
      e = q;
    }
    std::string_view field = line.substr(fieldStart, e - fieldStart);
    auto xv = ParseNumber(field);
    if (!xv) throw DataFormatError(fileName, reader.number(), std::string(line));
    data.x[1] = *xv;
    data.xWidth = static_cast<int>(field.size());
    int xdot = DotPosition(field);
    data.xDecimals = xdot ? std::max(0, data.xWidth - xdot) : 0;
    data.observer[1] = ObserverCode(e + 1 < L ? line.substr(e + 1, 3) : std::string_view());
  }

  // The further lines: numbers only; empty lines are passed over.
  while (data.n < MaxPoints && reader.Next(line)) {
    if (IsBlankLine(line)) continue;
    int i = data.n + 1;
    double t = 0, x = 0;
    ObserverCode obs;
    if (!ReadDataLine(line, columns.columnX, t, x, obs))
      throw DataFormatError(fileName, reader.number(), std::string(line));
    data.n = i;
    if (columns.columnX >= 1) data.t[i] = t;
    if (columns.columnX == 0) data.t[i] = i;
    data.x[i] = x;
    data.observer[i] = obs;
    if (echo) echo(i, data.t[i], x);
  }

  // Format fix-ups.
  if (columns.columnX == 0) {
    data.tWidth = 4;
    data.tDecimals = 0;
  }
  if (data.tWidth - data.tDecimals < 3) data.tWidth = data.tDecimals + 3;
  if (data.xWidth - data.xDecimals < 3) data.xWidth = data.xDecimals + 3;
  if (data.xWidth > 14) data.xWidth = 14;
  if (data.xDecimals > 11) data.xDecimals = 11;
  return data.n;
}

int ParseSColumn(std::string_view content, const std::string& fileName, DataSet& data,
                 int columnS, int headerLines) {
  if (columnS <= 0) {
    std::fill(data.s.begin() + 1, data.s.begin() + 1 + MaxPoints, 1.0);
    return 0;
  }
  LineReader reader(content);
  std::string_view line;
  for (int k = 0; k < headerLines; ++k)
    if (!reader.Next(line)) return 0;
  int count = 0;
  while (count < MaxPoints && reader.Next(line)) {
    if (IsBlankLine(line)) continue;
    std::size_t pos = 0, used = 0;
    std::optional<double> v;
    for (int k = 0; k <= columnS; ++k) {
      v = ParseLeadingNumber(line.substr(pos), used);
      if (!v) throw DataFormatError(fileName, reader.number(), std::string(line));
      pos += used;
    }
    data.s[++count] = *v;
  }
  return count;
}

int HeaderLinesFromAnswer(const std::string& answer, int headerLines, int j) {
  std::string_view a = answer;
  while (!a.empty() && a.front() == ' ') a.remove_prefix(1);
  while (!a.empty() && a.back() == ' ') a.remove_suffix(1);
  long long result;
  if (a.empty()) {
    result = static_cast<long long>(headerLines) + (j - 1);
  } else if (auto v = ParseInteger(a)) {
    result = *v;
  } else {
    result = headerLines;  // not a number: the header lines stay
  }
  if (result < 0) result = 0;
  if (result > 1000000000) result = 1000000000;
  return static_cast<int>(result);
}

int LastUnsortedIndex(const DataSet& data) {
  int last = 0;
  for (int i = 2; i <= data.n; ++i)
    if (data.t[i] < data.t[i - 1]) last = i;
  return last;
}

}  // namespace teril

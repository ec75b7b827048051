#include "data/data_file.h"

#include <algorithm>
#include <optional>

#include "base/numfmt.h"

namespace teril {

namespace {

constexpr std::size_t kShownText = 80;

// The line as a message shows it: short, and without bytes that would
// garble the log pane.
std::string Excerpt(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < kShownText; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    out += c < 32 && c != '\t' ? '?' : static_cast<char>(c);
  }
  if (text.size() > kShownText) out += "...";
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A field such as "2459000,1234" or "-12,5": a number once its one comma
// is a point.
bool IsDecimalCommaNumber(std::string_view field) {
  const auto comma = field.find(',');
  if (comma == std::string_view::npos || field.find(',', comma + 1) != std::string_view::npos)
    return false;
  if (comma == 0 || comma + 1 >= field.size() || !IsDigit(field[comma - 1]) ||
      !IsDigit(field[comma + 1]))
    return false;
  std::string pointed(field);
  pointed[comma] = '.';
  return ParseNumber(pointed).has_value();
}

// A field such as "2459000.1,12.3" or "2459000,1;12,3": two or more numbers
// between semicolons (or, without semicolons, between commas).
bool IsCommaSeparated(std::string_view field) {
  const char sep = field.find(';') != std::string_view::npos ? ';' : ',';
  int parts = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(field.find(sep, start), field.size());
    std::string_view part = field.substr(start, end - start);
    if (!ParseNumber(part) && !(sep == ';' && IsDecimalCommaNumber(part))) return false;
    ++parts;
    if (end == field.size()) break;
    start = end + 1;
  }
  return parts >= 2;
}

std::string_view FirstField(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  std::size_t end = pos;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  std::string_view field = line.substr(pos, end - pos);
  pos = end;
  return field;
}

std::string Describe(LineProblem problem, std::string_view line) {
  switch (problem) {
    case LineProblem::DecimalComma: {
      std::size_t pos = 0;
      std::string_view field;
      while (!(field = FirstField(line, pos)).empty() && !IsDecimalCommaNumber(field)) {
      }
      return "the numbers have a decimal comma (\"" + Excerpt(field) +
             "\"); a decimal point is expected: \"" + Excerpt(line) + "\"";
    }
    case LineProblem::CommaSeparated:
      return "the values are separated by commas or semicolons; blanks or tabs are expected "
             "between them: \"" +
             Excerpt(line) + "\"";
    case LineProblem::TooLong:
      return "malformed line, longer than " + std::to_string(kMaxLineBytes >> 20) + " MB";
    case LineProblem::NotText:
      return "this is not a plain text file (UTF-16 or binary bytes); plain text with one "
             "observation per line is expected";
    case LineProblem::NotANumber:
      break;
  }
  return "no number where one was expected: \"" + Excerpt(line) + "\"";
}

}  // namespace

DataFormatError::DataFormatError(std::string file, int line, std::string_view text,
                                 LineProblem problem)
    : std::runtime_error("Error in data file " + file + ", line " + std::to_string(line) + ": " +
                         Describe(problem, text)),
      file_(std::move(file)),
      line_(line),
      text_(problem == LineProblem::TooLong ? std::string() : Excerpt(text)),
      problem_(problem) {}

LineProblem ClassifyBadLine(std::string_view line) {
  std::size_t pos = 0;
  std::string_view field = FirstField(line, pos);
  // "2459000,1234" alone is a decimal comma rather than two values.
  if (!IsDecimalCommaNumber(field) && IsCommaSeparated(field)) return LineProblem::CommaSeparated;
  for (int k = 0; k < 8 && !field.empty(); ++k, field = FirstField(line, pos))
    if (IsDecimalCommaNumber(field)) return LineProblem::DecimalComma;
  return LineProblem::NotANumber;
}

namespace {

// Lines of a data file: the line reader's lines without the blanks at
// their end, with a line that is too long reported as a data error.
class DataLines {
 public:
  DataLines(LineReader& reader, const std::string& fileName)
      : reader_(reader), fileName_(fileName) {}
  bool Next(std::string_view& line) {
    try {
      if (!reader_.Next(line)) return false;
    } catch (const LineTooLong& e) {
      throw DataFormatError(fileName_, e.line(), {}, LineProblem::TooLong);
    }
    if (reader_.number() == 1) notText_ = LooksBinary(line);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    return true;
  }
  int number() const { return reader_.number(); }
  // The first line starts with a UTF-16 byte-order mark or holds NUL bytes.
  bool notText() const { return notText_; }

 private:
  static bool LooksBinary(std::string_view line) {
    if (line.substr(0, 2) == "\xFF\xFE" || line.substr(0, 2) == "\xFE\xFF") return true;
    return line.find('\0') != std::string_view::npos;
  }
  LineReader& reader_;
  const std::string& fileName_;
  bool notText_ = false;
};

bool IsBlankLine(std::string_view line) {
  for (char c : line)
    if (!IsBlank(c)) return false;
  return true;
}

// Up to three characters of observer code; a tab in it counts as a blank.
ObserverCode ObserverAt(std::string_view line, std::size_t pos) {
  if (pos >= line.size()) return ObserverCode();
  char code[3];
  std::size_t len = std::min<std::size_t>(3, line.size() - pos);
  for (std::size_t k = 0; k < len; ++k) code[k] = line[pos + k] == '\t' ? ' ' : line[pos + k];
  return ObserverCode(std::string_view(code, len));
}

// Reads the numbers of one data line after the first: returns false when
// the line does not hold them.
// `sIndex` > 0: the number at that place (0 is t) also goes to `s`.
bool ReadDataLine(std::string_view line, int columnX, double& t, double& x, ObserverCode& obs,
                  int sIndex = 0, double* s = nullptr) {
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
  for (int k = 0; k < skip; ++k) {
    if (!number(skipped)) return false;
    if (k + 1 == sIndex) *s = skipped;
  }
  if (!number(x)) return false;
  // One separator character, then up to three characters of observer code.
  if (pos < line.size() && !IsBlank(line[pos])) {
    // A number glued to text ("12.3abc") is not a number field.
    return false;
  }
  if (pos < line.size()) ++pos;
  obs = ObserverAt(line, pos);
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
  return ParseDataLines(reader, fileName, data, columns, echo);
}

int ParseDataLines(LineReader& lines, const std::string& fileName, DataSet& data,
                   ReadColumns& columns, const EchoPoint& echo) {
  DataLines reader(lines, fileName);
  std::string_view line;
  data.phased = false;
  data.n = 0;
  columns.note.clear();
  columns.headerText.clear();
  // A file of thousands of title lines keeps only its first 64 KB of them.
  bool headerFull = false;
  auto keepHeaderLine = [&columns, &headerFull](std::string_view text) {
    if (headerFull || columns.headerText.size() + text.size() + 1 > kMaxHeaderText) {
      headerFull = true;
      return;
    }
    columns.headerText.append(text);
    columns.headerText += '\n';
  };
  // The first header line that looked like data with a decimal comma or
  // with commas between the values: named when no data line is found.
  int suspectLine = 0;
  std::string suspectText;
  LineProblem suspect = LineProblem::NotANumber;
  auto noData = [&] {
    if (suspectLine > 0) throw DataFormatError(fileName, suspectLine, suspectText, suspect);
    if (reader.notText()) throw DataFormatError(fileName, 1, {}, LineProblem::NotText);
    return 0;
  };
  for (int k = 0; k < columns.headerLines; ++k) {
    if (!reader.Next(line)) return noData();
    keepHeaderLine(line);
  }

  // Find the first data line; every line before it whose first field is not
  // a number is one more header line.
  std::size_t w = 0;
  double first = 0;
  for (;;) {
    if (!reader.Next(line)) return noData();
    std::size_t p = 0;
    while (p < line.size() && IsBlank(line[p])) ++p;
    if (p == line.size()) {  // an empty line where the first data line belongs
      ++columns.headerLines;
      keepHeaderLine(line);
      continue;
    }
    std::size_t blank = p;
    while (blank < line.size() && !IsBlank(line[blank])) ++blank;
    bool singleField = blank == line.size();
    w = singleField ? line.size() : blank;
    auto v = ParseNumber(line.substr(0, w));
    if (!v) {
      ++columns.headerLines;
      keepHeaderLine(line);
      if (suspectLine == 0) {
        LineProblem problem = ClassifyBadLine(line);
        if (problem != LineProblem::NotANumber) {
          suspectLine = reader.number();
          suspectText = std::string(line.substr(0, std::min(line.size(), kShownText + 1)));
          suspect = problem;
        }
      }
      continue;
    }
    // Only a numeric single field switches to x-only mode; a one-word title
    // line is just a header line.
    if (singleField) columns.columnX = 0;
    first = *v;
    break;
  }
  if (suspectLine > 0) {
    columns.note = std::string("Note: line ") + std::to_string(suspectLine) + " of " + fileName +
                   " was taken as a header line: " + Describe(suspect, suspectText);
  }

  int L = static_cast<int>(line.size());
  int wi = static_cast<int>(w);
  int dot = DotPosition(line.substr(0, w));
  int tWidthNew = wi;
  int tDecimalsNew = dot ? wi - dot : 0;
  auto badLine = [&] {
    return DataFormatError(fileName, reader.number(), line, ClassifyBadLine(line));
  };

  // Point 1 counts only once its line has been read whole: a first line
  // that fails leaves no half-read point behind.
  if (columns.columnX == 0) {
    data.x[1] = first;
    data.t[1] = 1.0;
    data.xWidth = wi;
    data.xDecimals = tDecimalsNew;
    data.tWidth = 4;
    data.tDecimals = 0;
    data.observer[1] = ObserverAt(line, w + 1);
  } else {
    int e = wi;  // end of the last field walked (0-based, exclusive)
    int count = columns.columnX > 0 ? columns.columnX : -columns.columnX;
    int fieldStart = e;
    for (int k = 0; k < count; ++k) {
      fieldStart = e;
      int q = e;
      while (q < L && IsBlank(line[q])) ++q;
      if (q == L) throw badLine();
      while (q < L && !IsBlank(line[q])) ++q;
      e = q;
    }
    std::string_view field = line.substr(fieldStart, e - fieldStart);
    auto xv = ParseNumber(field);
    if (!xv) throw badLine();
    if (columns.columnX > 0) {
      data.t[1] = first;
      data.tWidth = tWidthNew;
      data.tDecimals = tDecimalsNew;
    }
    data.x[1] = *xv;
    data.xWidth = static_cast<int>(field.size());
    int xdot = DotPosition(field);
    data.xDecimals = xdot ? std::max(0, data.xWidth - xdot) : 0;
    data.observer[1] = ObserverAt(line, static_cast<std::size_t>(e) + 1);
  }
  data.n = 1;

  // The errors read along: the first line as ParseSColumn reads it; when it
  // does not hold them there, they are left to the caller.
  columns.s.clear();
  const bool alongS = columns.columnS > 0 && columns.columnX > columns.columnS;
  if (alongS) {
    std::size_t pos = 0, used = 0;
    std::optional<double> v;
    for (int k = 0; k <= columns.columnS && (k == 0 || v); ++k) {
      v = ParseLeadingNumber(line.substr(pos), used);
      pos += used;
    }
    if (v) columns.s.push_back(*v);
  }
  const bool readS = !columns.s.empty();
  double s = 0;

  // The further lines: numbers only; empty lines are passed over.
  while (data.n < MaxPoints && reader.Next(line)) {
    if (IsBlankLine(line)) continue;
    int i = data.n + 1;
    double t = 0, x = 0;
    ObserverCode obs;
    if (!ReadDataLine(line, columns.columnX, t, x, obs, readS ? columns.columnS : 0, &s))
      throw badLine();
    if (readS) columns.s.push_back(s);
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
  LineReader reader(content);
  return ParseSColumnLines(reader, fileName, data, columnS, headerLines);
}

int ParseSColumnLines(LineReader& lines, const std::string& fileName, DataSet& data, int columnS,
                      int headerLines) {
  if (columnS <= 0) {
    std::fill(data.s.begin() + 1, data.s.begin() + 1 + MaxPoints, 1.0);
    return 0;
  }
  DataLines reader(lines, fileName);
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
      if (!v) throw DataFormatError(fileName, reader.number(), line, ClassifyBadLine(line));
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

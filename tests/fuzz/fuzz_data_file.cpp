// The data-file reader on arbitrary bytes. The first three bytes choose the
// read settings (columnX in -4..8, columnS in 0..4, header lines in 0..3,
// a line limit of 64 bytes or 1 MB, the block size of the second reading);
// the rest is the file.
//
// Properties: the reader returns or throws a data error, never more than
// MaxPoints points, only finite numbers, observer codes of at most three
// characters, sane print formats; reading the same bytes in small blocks
// (as from a file) gives exactly what reading them whole gives; the s
// column and the sort by time work on what was read.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/line_reader.h"
#include "data/data_file.h"
#include "data/sort.h"
#include "fuzz_check.h"

using namespace teril;

namespace {

struct Outcome {
  int n = 0;
  bool failed = false;
  std::string error;
  ReadColumns columns;
  int echoes = 0;
};

Outcome Read(LineReader& lines, DataSet& data, const ReadColumns& start) {
  Outcome out;
  out.columns = start;
  try {
    out.n = ParseDataLines(lines, "fuzz.dat", data, out.columns,
                           [&out](int, double, double) { ++out.echoes; });
  } catch (const DataFormatError& e) {
    out.failed = true;
    out.error = e.what();
    out.n = data.n;
    FUZZ_CHECK(e.line() >= 1);
    FUZZ_CHECK(e.text().size() <= 83);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 3) return 0;
  // Two data sets of full capacity, made once: the reader fills them in place.
  static DataSet* whole = new DataSet;
  static DataSet* blocks = new DataSet;
  ReadColumns start;
  start.columnX = static_cast<int>(bytes[0] % 13) - 4;
  const int columnS = bytes[1] % 5;
  const std::size_t blockSize = 1 + bytes[1] / 5;
  start.headerLines = bytes[2] % 4;
  const std::size_t maxLine = (bytes[2] & 4) ? 64 : kMaxLineBytes;
  const std::string_view text(reinterpret_cast<const char*>(bytes) + 3, size - 3);

  // The arguments kept from "the previous load" (columnX < 0) are the same
  // in both and do not depend on earlier inputs (the sort below reorders
  // `whole`): every slot a line of this input could reach is set afresh.
  const int reach = static_cast<int>(std::min<std::size_t>(size + 2, MaxPoints));
  for (int i = 1; i <= reach; ++i) whole->t[i] = blocks->t[i] = i;

  LineReader textLines(text, maxLine);
  Outcome a = Read(textLines, *whole, start);
  std::size_t at = 0;
  LineReader blockLines(
      [&](char* buffer, std::size_t want) {
        std::size_t k = std::min(want, text.size() - at);
        std::memcpy(buffer, text.data() + at, k);
        at += k;
        return k;
      },
      maxLine, blockSize);
  Outcome b = Read(blockLines, *blocks, start);

  FUZZ_CHECK(a.n >= 0 && a.n <= MaxPoints);
  FUZZ_CHECK(a.n == b.n && a.failed == b.failed && a.error == b.error);
  FUZZ_CHECK(a.columns.columnX == b.columns.columnX);
  FUZZ_CHECK(a.columns.headerLines == b.columns.headerLines);
  FUZZ_CHECK(a.columns.note == b.columns.note);
  FUZZ_CHECK(a.echoes == b.echoes);
  FUZZ_CHECK(a.columns.headerLines >= start.headerLines);
  for (int i = 1; i <= a.n; ++i) {
    FUZZ_CHECK(std::isfinite(whole->t[i]) && std::isfinite(whole->x[i]));
    FUZZ_CHECK(whole->t[i] == blocks->t[i] && whole->x[i] == blocks->x[i]);
    FUZZ_CHECK(whole->observer[i] == blocks->observer[i]);
    FUZZ_CHECK(whole->observer[i].len <= 3);
    for (char c : whole->observer[i].view()) FUZZ_CHECK(c != '\t' && c != '\r' && c != '\n');
  }
  if (a.failed || a.n == 0) return 0;
  FUZZ_CHECK(a.echoes == a.n - 1);
  FUZZ_CHECK(whole->tWidth - whole->tDecimals >= 3 && whole->xWidth - whole->xDecimals >= 3);
  FUZZ_CHECK(whole->xWidth <= 14 && whole->xDecimals <= 11 && whole->xDecimals >= 0);
  FUZZ_CHECK(whole->tDecimals >= 0);

  if (columnS > 0) {
    try {
      int count = ParseSColumn(text, "fuzz.dat", *whole, columnS, a.columns.headerLines);
      FUZZ_CHECK(count >= 0 && count <= MaxPoints);
      for (int i = 1; i <= count; ++i) FUZZ_CHECK(std::isfinite(whole->s[i]));
    } catch (const DataFormatError& e) {
      FUZZ_CHECK(e.line() > a.columns.headerLines);
    }
  }
  ShellSortByTime(*whole);
  FUZZ_CHECK(LastUnsortedIndex(*whole) == 0);
  return 0;
}

// The readers of delimited light-curve tables and the import on arbitrary
// bytes. The first byte chooses the import (bit 0: relative flux, bit 1:
// keep flagged rows, bit 2: every band); the rest is the file.
//
// Properties: recognising never fails; the reader returns or throws a
// FormatError naming a line no later than the text has; the columns have
// one entry per row and their indices stay inside their name lists; the
// import writes only finite numbers, unique codes of at most three
// characters and header lines that start with "# "; its text reads back
// through the data-file reader with every row, t and x as written.
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "data/data_file.h"
#include "formats/detect.h"
#include "formats/import.h"
#include "formats/table_reader.h"
#include "fuzz_check.h"

using namespace teril;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 1) return 0;
  static DataSet* data = new DataSet;
  const std::uint8_t choice = bytes[0];
  const std::string_view text(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  DetectFile(text, "fuzz.csv");

  LightCurveTable table;
  try {
    table = ReadTable(text, "fuzz.csv");
  } catch (const FormatError& e) {
    FUZZ_CHECK(e.file() == "fuzz.csv");
    FUZZ_CHECK(e.line() >= 0 && e.column() >= 0);
    FUZZ_CHECK(static_cast<std::size_t>(e.line()) <= text.size() + 1);
    return 0;
  }
  const std::size_t n = table.rows();
  FUZZ_CHECK(n >= 1);
  FUZZ_CHECK(table.value.size() == n && table.flags.size() == n);
  FUZZ_CHECK(table.error.empty() || table.error.size() == n);
  FUZZ_CHECK(table.band.empty() || table.band.size() == n);
  FUZZ_CHECK(table.observer.empty() || table.observer.size() == n);
  for (int b : table.band) FUZZ_CHECK(b >= 0 && b < static_cast<int>(table.bandNames.size()));
  for (int o : table.observer)
    FUZZ_CHECK(o >= -1 && o < static_cast<int>(table.observerNames.size()));
  long total = 0;
  for (const auto& b : ListBands(table)) total += b.count;
  FUZZ_CHECK(table.band.empty() || total == static_cast<long>(n));

  ImportOptions options = DefaultImportOptions(table);
  if (choice & 1) options.signal = SignalMode::RelativeFlux;
  if (choice & 2) options.dropFlagged = false;
  if (choice & 4) options.bands.clear();
  ImportedCurve curve;
  try {
    curve = BuildImport(table, options, "fuzz.csv");
  } catch (const FormatError& e) {
    FUZZ_CHECK(e.file() == "fuzz.csv");
    return 0;
  }
  const std::size_t k = curve.t.size();
  FUZZ_CHECK(k >= 1 && k <= n && curve.x.size() == k);
  FUZZ_CHECK(curve.s.empty() || curve.s.size() == k);
  FUZZ_CHECK(curve.observer.empty() || curve.observer.size() == k);
  for (std::size_t i = 0; i < k; ++i) {
    FUZZ_CHECK(std::isfinite(curve.t[i]) && std::isfinite(curve.x[i]));
    if (!curve.s.empty()) FUZZ_CHECK(std::isfinite(curve.s[i]) && curve.s[i] >= 0);
  }
  std::set<std::string> codes(curve.codes.begin(), curve.codes.end());
  FUZZ_CHECK(codes.size() == curve.codes.size());
  for (const auto& c : curve.codes) {
    FUZZ_CHECK(c.size() <= 3);
    for (char ch : c) FUZZ_CHECK(static_cast<unsigned char>(ch) > 32 && ch != 127);
  }
  for (const auto& h : curve.header) {
    FUZZ_CHECK(h.substr(0, 2) == "# ");
    FUZZ_CHECK(h.find('\n') == std::string::npos && h.find('\r') == std::string::npos);
  }

  // Values with a thousand digits are no light curve; the round trip is
  // checked where a data file can hold them.
  for (std::size_t i = 0; i < k; ++i)
    if (std::fabs(curve.t[i]) > 1e15 || std::fabs(curve.x[i]) > 1e15) return 0;
  const std::string written = ImportText(curve);
  ReadColumns columns;
  columns.columnX = ImportColumnX(curve);
  int read = 0;
  try {
    read = ParseDataText(written, "fuzz.dat", *data, columns);
  } catch (const DataFormatError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    FUZZ_CHECK(!"the written data file reads back");
  }
  FUZZ_CHECK(read == static_cast<int>(std::min<std::size_t>(k, MaxPoints)));
  FUZZ_CHECK(columns.headerLines == static_cast<int>(curve.header.size()));
  for (int i = 1; i <= read; ++i) {
    FUZZ_CHECK(std::fabs(data->t[i] - curve.t[i - 1]) <= 5e-7 + 1e-15 * std::fabs(curve.t[i - 1]));
    FUZZ_CHECK(std::fabs(data->x[i] - curve.x[i - 1]) <= 5e-7 + 1e-15 * std::fabs(curve.x[i - 1]));
  }
  return 0;
}

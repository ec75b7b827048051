// Recognising a downloaded light-curve file by its content, with its name as
// a hint: a FITS file, an AAVSO download or extended-format file, a
// delimited table with a header row (CSV, TSV, ECSV) of one of the surveys
// or with any header naming its columns, or the program's own plain
// blank-separated format.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/light_curve_table.h"

namespace teril {

enum class FileKind {
  Plain,          // blank-separated numbers, header lines without column names we know
  Fits,           // "SIMPLE  =" first card, or a gzip file named .fits.gz / .fit.gz / .fts.gz
  AavsoDownload,  // JD,Magnitude,Uncertainty,... (comma or tab)
  AavsoExtended,  // #TYPE=EXTENDED
  Table,          // any other delimited table with a header row
};

struct DetectedFile {
  FileKind kind = FileKind::Plain;
  TableFlavour flavour = TableFlavour::Generic;  // for the text kinds
};

// Kind of the file whose first bytes are `head` (a few kilobytes are
// enough; the whole text may be given) and whose name is `fileName`.
DetectedFile DetectFile(std::string_view head, std::string_view fileName);

// Lines of a text: LF, CR LF, or lone CR when the text has no LF at all;
// a UTF-8 byte-order mark at the start is skipped. Lines count from 1.
class TextLines {
 public:
  explicit TextLines(std::string_view text);
  bool Next(std::string_view& line);
  int number() const { return number_; }
  // Offset of the next unread byte in the text (after the mark).
  std::size_t position() const { return pos_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  char end_ = '\n';
  int number_ = 0;
};

// The header of a delimited table as found before its first data line.
struct TableHeader {
  TableFlavour flavour = TableFlavour::Generic;
  char delimiter = ',';               // ',', '\t', ';' or ' ' (runs of blanks and tabs)
  std::vector<std::string> names;     // lower case, blanks and quotes trimmed
  std::vector<std::string> rawNames;  // as the file spells them
  int headerLine = 0;                 // line of the header row (0: none, AAVSO extended)
  // AAVSO extended format: the #OBSCODE and #DATE lines.
  std::string obsCode, dateType;
};

// The header of `text` when it is a table with a header row we can read
// (or an AAVSO extended file); nothing for a plain data file. Lines that
// start with "#" before the header row are comments (ECSV metadata
// included).
std::optional<TableHeader> FindTableHeader(std::string_view text);

// Column-name aliases: index of the first header name in `names` that is
// one of `aliases` (tried in the order of `aliases`), or -1.
int FindColumn(const std::vector<std::string>& names, const std::vector<std::string_view>& aliases);

// The aliases of the generic reader.
const std::vector<std::string_view>& TimeAliases();
const std::vector<std::string_view>& SignalAliases();
const std::vector<std::string_view>& ErrorAliases();
const std::vector<std::string_view>& BandAliases();
const std::vector<std::string_view>& ObserverAliases();

// Splits one line of a table into fields: quoted fields ("a,b", with ""
// for a quote) lose their quotes; with delimiter ' ' runs of blanks and
// tabs separate and leading blanks are skipped. `fields` is reused.
void SplitFields(std::string_view line, char delimiter, std::vector<std::string_view>& fields);

}  // namespace teril

#include "formats/detect.h"

#include <charconv>

#include <algorithm>
#include <cstring>

namespace teril {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         Lower(s.substr(s.size() - suffix.size())) == std::string(suffix);
}

bool Has(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The delimiter of a header row: the most frequent of tab, comma and
// semicolon, or blanks when there is none of them.
char GuessDelimiter(std::string_view line) {
  const long tabs = std::count(line.begin(), line.end(), '\t');
  const long commas = std::count(line.begin(), line.end(), ',');
  const long semis = std::count(line.begin(), line.end(), ';');
  if (tabs == 0 && commas == 0 && semis == 0) return ' ';
  if (tabs >= commas && tabs >= semis) return '\t';
  return commas >= semis ? ',' : ';';
}

bool StartsWithNumber(std::string_view s) {
  s = Trim(s);
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
  if (!s.empty() && s.front() == '.') s.remove_prefix(1);
  return !s.empty() && s.front() >= '0' && s.front() <= '9';
}

// The columns of an AAVSO download, in the order the archive writes them;
// a file saved without its header row has them all the same.
const std::vector<std::string_view>& AavsoDownloadColumns() {
  static const std::vector<std::string_view> names = {
      "JD",         "Magnitude",  "Uncertainty",     "HQuncertainty",      "Band",
      "Observer Code", "Comment Code(s)", "Comp Star 1", "Comp Star 2",   "Charts",
      "Comments",   "Transfomed", "Airmass",         "Validation Flag",    "Cmag",
      "Kmag",       "HJD",        "Star Name",       "Observer Affiliation", "Measurement Method",
      "Grouping Method", "ADS Reference", "Digitizer"};
  return names;
}

// A row of an AAVSO download without its header: comma-separated, at least
// the fourteen fields up to the validation flag, a Julian date first, a
// band and an observer code that are words.
bool LooksLikeHeaderlessAavsoRow(std::string_view line, std::vector<std::string_view>& fields) {
  if (GuessDelimiter(line) != ',') return false;
  SplitFields(line, ',', fields);
  if (fields.size() < 14) return false;
  double jd = 0;
  std::string_view first = Trim(fields[0]);
  auto r = std::from_chars(first.data(), first.data() + first.size(), jd);
  if (r.ec != std::errc() || r.ptr != first.data() + first.size()) return false;
  if (!(jd > 2000000 && jd < 3000000)) return false;
  const std::string_view band = Trim(fields[4]), observer = Trim(fields[5]);
  return !band.empty() && !StartsWithNumber(band) && !observer.empty() &&
         !StartsWithNumber(observer) && observer.size() <= 12;
}

TableFlavour FlavourOf(const std::vector<std::string>& n) {
  if (!n.empty() && n[0] == "jd" && Has(n, "magnitude") && Has(n, "uncertainty"))
    return TableFlavour::AavsoDownload;
  if (Has(n, "catflags") && Has(n, "filtercode") && Has(n, "mag") && Has(n, "magerr") &&
      (Has(n, "mjd") || Has(n, "hjd")))
    return TableFlavour::Ztf;
  if (Has(n, "jd") && Has(n, "mag") && Has(n, "mag error") && Has(n, "quality"))
    return TableFlavour::AsasSnNew;
  if (Has(n, "hjd") && Has(n, "mag") && Has(n, "mag_err") && (Has(n, "camera") || Has(n, "limit")))
    return TableFlavour::AsasSnOld;
  if (Has(n, "band") && Has(n, "time") && Has(n, "mag") && Has(n, "flux_error") &&
      Has(n, "rejected_by_photometry"))
    return TableFlavour::Gaia;
  return TableFlavour::Generic;
}

// "#KEY=value" of the AAVSO extended format.
bool KeyLine(std::string_view line, std::string_view key, std::string& value) {
  if (line.size() < key.size() + 2 || Lower(line.substr(1, key.size())) != Lower(key) ||
      line[key.size() + 1] != '=')
    return false;
  value = std::string(Trim(line.substr(key.size() + 2)));
  return true;
}

}  // namespace

TextLines::TextLines(std::string_view text) : text_(text) {
  if (text_.substr(0, kBom.size()) == kBom) pos_ = kBom.size();
  if (text_.find('\n') == std::string_view::npos && text_.find('\r') != std::string_view::npos)
    end_ = '\r';
}

bool TextLines::Next(std::string_view& line) {
  if (pos_ >= text_.size()) return false;
  const char* start = text_.data() + pos_;
  const void* hit = std::memchr(start, end_, text_.size() - pos_);
  std::size_t len = hit ? static_cast<const char*>(hit) - start : text_.size() - pos_;
  line = std::string_view(start, len);
  pos_ += len + (hit ? 1 : 0);
  if (end_ == '\n' && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  ++number_;
  return true;
}

void SplitFields(std::string_view line, char delimiter, std::vector<std::string_view>& fields) {
  fields.clear();
  std::size_t i = 0;
  const std::size_t n = line.size();
  if (delimiter == ' ') {
    for (;;) {
      while (i < n && IsBlank(line[i])) ++i;
      if (i >= n) return;
      if (line[i] == '"') {
        std::size_t close = line.find('"', i + 1);
        if (close == std::string_view::npos) close = n;
        fields.push_back(line.substr(i + 1, close - i - 1));
        i = close + 1;
        while (i < n && !IsBlank(line[i])) ++i;
      } else {
        std::size_t start = i;
        while (i < n && !IsBlank(line[i])) ++i;
        fields.push_back(line.substr(start, i - start));
      }
    }
  }
  for (;;) {
    std::size_t start = i;
    // Blanks before an opening quote are allowed.
    std::size_t q = i;
    while (q < n && line[q] == ' ') ++q;
    if (q < n && line[q] == '"') {
      std::size_t close = q + 1;
      while (close < n) {
        if (line[close] == '"') {
          if (close + 1 < n && line[close + 1] == '"') {
            close += 2;
            continue;
          }
          break;
        }
        ++close;
      }
      fields.push_back(line.substr(q + 1, std::min(close, n) - q - 1));
      i = close < n ? close + 1 : n;
      const void* d = i < n ? std::memchr(line.data() + i, delimiter, n - i) : nullptr;
      if (!d) return;
      i = static_cast<const char*>(d) - line.data() + 1;
      continue;
    }
    const void* d = i < n ? std::memchr(line.data() + i, delimiter, n - i) : nullptr;
    if (!d) {
      fields.push_back(line.substr(start));
      return;
    }
    std::size_t end = static_cast<const char*>(d) - line.data();
    fields.push_back(line.substr(start, end - start));
    i = end + 1;
  }
}

const std::vector<std::string_view>& TimeAliases() {
  static const std::vector<std::string_view> a = {"time", "jd",   "mjd",  "hjd",
                                                  "bjd",  "btjd", "date", "t"};
  return a;
}
const std::vector<std::string_view>& SignalAliases() {
  static const std::vector<std::string_view> a = {"mag", "magnitude", "flux"};
  return a;
}
const std::vector<std::string_view>& ErrorAliases() {
  static const std::vector<std::string_view> a = {
      "magerr",      "mag_err",  "mag error",  "err",        "error",  "sigma",
      "uncertainty", "flux_err", "flux_error", "flux error", "fluxerr"};
  return a;
}
const std::vector<std::string_view>& BandAliases() {
  static const std::vector<std::string_view> a = {"band", "filter", "passband", "filtercode"};
  return a;
}
const std::vector<std::string_view>& ObserverAliases() {
  static const std::vector<std::string_view> a = {"observer", "obscode", "observer code"};
  return a;
}

int FindColumn(const std::vector<std::string>& names,
               const std::vector<std::string_view>& aliases) {
  for (std::string_view alias : aliases)
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i] == alias) return static_cast<int>(i);
  return -1;
}

std::optional<TableHeader> FindTableHeader(std::string_view text) {
  TextLines lines(text);
  std::string_view line;
  TableHeader header;
  bool extended = false, ecsv = false;
  char ecsvDelimiter = ' ';
  while (lines.Next(line)) {
    std::string_view t = Trim(line);
    if (t.empty()) continue;
    if (t.front() == '#') {
      std::string value;
      if (lines.number() == 1 && t.substr(0, 6) == "# %ECS") ecsv = true;
      if (KeyLine(t, "TYPE", value) && Lower(value) == "extended") extended = true;
      if (KeyLine(t, "OBSCODE", value)) header.obsCode = value;
      if (KeyLine(t, "DATE", value)) header.dateType = Lower(value);
      if (KeyLine(t, "DELIM", value)) {
        std::string v = Lower(value);
        header.delimiter = v == "tab" ? '\t' : v == "comma" ? ',' : v.empty() ? ',' : v[0];
        if (header.delimiter == ' ' && v.empty()) header.delimiter = ',';
      }
      if (ecsv && t.find("delimiter:") != std::string_view::npos) {
        auto quote = t.find_first_of("'\"", t.find("delimiter:"));
        if (quote != std::string_view::npos && quote + 1 < t.size())
          ecsvDelimiter = t[quote + 1] == '\\' ? '\t' : t[quote + 1];
      }
      continue;
    }
    if (extended) {
      header.flavour = TableFlavour::AavsoExtended;
      if (header.delimiter == ' ' || header.delimiter == '\0') header.delimiter = ',';
      return header;
    }
    if (StartsWithNumber(t)) {
      // An AAVSO download saved without its header row: the archive's
      // columns stand in for it, and the data start at this line.
      std::vector<std::string_view> fields;
      if (ecsv || !LooksLikeHeaderlessAavsoRow(t, fields)) return std::nullopt;
      header.delimiter = ',';
      header.headerLine = lines.number() - 1;
      const auto& names = AavsoDownloadColumns();
      for (std::size_t k = 0; k < std::max(fields.size(), names.size()); ++k) {
        std::string name = k < names.size() ? std::string(names[k])
                                            : "column " + std::to_string(k + 1);
        header.rawNames.push_back(name);
        header.names.push_back(Lower(name));
      }
      header.flavour = TableFlavour::AavsoDownload;
      return header;
    }
    header.headerLine = lines.number();
    header.delimiter = ecsv ? ecsvDelimiter : GuessDelimiter(t);
    std::vector<std::string_view> fields;
    SplitFields(t, header.delimiter, fields);
    for (std::string_view f : fields) {
      header.rawNames.emplace_back(Trim(f));
      header.names.push_back(Lower(Trim(f)));
    }
    // A blank-separated file (not ECSV) is the program's own data file,
    // whatever its header lines say: it opens as it always did, so that a
    // header "JD mag" over plain data, and every script that opens such a
    // file, stays what it was.
    if (header.delimiter == ' ' && !ecsv) return std::nullopt;
    header.flavour = FlavourOf(header.names);
    if (header.flavour != TableFlavour::Generic) return header;
    const bool time = FindColumn(header.names, TimeAliases()) >= 0;
    const bool signal = FindColumn(header.names, SignalAliases()) >= 0;
    // An ECSV file is a table whatever its columns: one without a column
    // this reader knows is refused with the header's line, not read as
    // plain data (which finds none).
    if (time || signal || ecsv) return header;
    return std::nullopt;
  }
  if (extended) {
    header.flavour = TableFlavour::AavsoExtended;
    return header;
  }
  return std::nullopt;
}

DetectedFile DetectFile(std::string_view head, std::string_view fileName) {
  DetectedFile out;
  if (head.substr(0, 9) == "SIMPLE  =") {
    out.kind = FileKind::Fits;
    out.flavour = TableFlavour::SpaceFits;
    return out;
  }
  const bool gzip = head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x1F &&
                    static_cast<unsigned char>(head[1]) == 0x8B;
  if (gzip && (EndsWith(fileName, ".fits.gz") || EndsWith(fileName, ".fit.gz") ||
               EndsWith(fileName, ".fts.gz"))) {
    out.kind = FileKind::Fits;
    out.flavour = TableFlavour::SpaceFits;
    return out;
  }
  // The last line of a head cut from a longer file may be incomplete; the
  // header row is found well before it.
  auto header = FindTableHeader(head);
  if (!header) return out;
  out.flavour = header->flavour;
  switch (header->flavour) {
    case TableFlavour::AavsoDownload:
      out.kind = FileKind::AavsoDownload;
      break;
    case TableFlavour::AavsoExtended:
      out.kind = FileKind::AavsoExtended;
      break;
    default:
      out.kind = FileKind::Table;
  }
  return out;
}

const char* FlavourName(TableFlavour flavour) {
  switch (flavour) {
    case TableFlavour::Generic:
      return "table";
    case TableFlavour::Ztf:
      return "ZTF light curve";
    case TableFlavour::AsasSnOld:
    case TableFlavour::AsasSnNew:
      return "ASAS-SN light curve";
    case TableFlavour::Gaia:
      return "Gaia DR3 epoch photometry";
    case TableFlavour::AavsoDownload:
      return "AAVSO download";
    case TableFlavour::AavsoExtended:
      return "AAVSO extended format";
    case TableFlavour::SpaceFits:
      return "light-curve FITS";
  }
  return "table";
}

}  // namespace teril

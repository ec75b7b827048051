#include "formats/fits.h"

#include <fitsio.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>

#include "base/io.h"
#include "base/numfmt.h"

namespace teril {

namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// CFITSIO's own words for a status, and its message stack emptied so that
// the next error does not show this one's lines.
std::string StatusText(int status) {
  char text[FLEN_STATUS] = {};
  fits_get_errstatus(status, text);
  fits_clear_errmsg();
  return text;
}

// '' is a quote inside a FITS string; trailing blanks are not significant.
std::string Unquote(std::string_view v) {
  while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
  if (v.empty() || v.front() != '\'') {
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    return std::string(v);
  }
  std::string out;
  for (std::size_t i = 1; i < v.size(); ++i) {
    if (v[i] == '\'') {
      if (i + 1 < v.size() && v[i + 1] == '\'') {
        out += '\'';
        ++i;
        continue;
      }
      break;
    }
    out += v[i];
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// CFITSIO trusts the cards of a header more than a damaged file deserves
// (a TTYPE value without its quotes overruns one of its buffers), so the
// cards of the primary header and of HDU 1 are checked here before it
// reads them. Returns what is wrong, empty when the header is sound; `end`
// receives the offset after the header, `numbers` the integer keywords.
std::string CheckHeader(std::string_view bytes, std::size_t start, std::size_t& end,
                        std::map<std::string, long long>& numbers) {
  for (std::size_t at = start; at + 80 <= bytes.size(); at += 80) {
    std::string_view card = bytes.substr(at, 80);
    const std::string where = "card " + std::to_string((at - start) / 80 + 1);
    for (char c : card)
      if (c < 32 || c > 126) return where + " holds a byte that is not printable text";
    std::string_view key = card.substr(0, 8);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    for (char c : key)
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
        return where + " has a malformed keyword";
    if (key == "END") {
      end = (at + 80 - start + 2879) / 2880 * 2880 + start;
      return {};
    }
    if (card.substr(8, 2) != "= " || key == "COMMENT" || key == "HISTORY") continue;
    std::string_view value = card.substr(10);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (!value.empty() && value.front() == '\'') {
      std::size_t i = 1;
      for (;; ++i) {
        if (i >= value.size()) return where + " has a string without its closing quote";
        if (value[i] == '\'') {
          if (i + 1 < value.size() && value[i + 1] == '\'') {
            ++i;
            continue;
          }
          break;
        }
      }
      value.remove_prefix(i + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      if (!value.empty() && value.front() != '/') return where + " has text after its string value";
      continue;
    }
    std::string_view token = value.substr(0, value.find('/'));
    while (!token.empty() && token.back() == ' ') token.remove_suffix(1);
    if (token.empty() || token == "T" || token == "F") continue;
    if (token.front() == '(' && token.back() == ')') continue;  // a complex number
    std::string number(token);
    for (char& c : number)
      if (c == 'D') c = 'E';
    if (!ParseNumber(number)) return where + " has a value that is neither text nor a number";
    if (auto i = ParseInteger(number)) numbers[std::string(key)] = *i;
  }
  return "the header has no END card";
}

// Bytes of the data that follows a header with these keywords (FITS 4.0,
// section 4.4.1): |BITPIX| / 8 * GCOUNT * (PCOUNT + NAXIS1 * ... * NAXISn),
// or nothing when the sizes are absurd.
std::optional<long long> DataBytes(const std::map<std::string, long long>& k, long long limit) {
  auto get = [&](const std::string& name, long long fallback) {
    auto it = k.find(name);
    return it == k.end() ? fallback : it->second;
  };
  const long long naxis = get("NAXIS", 0);
  if (naxis < 0 || naxis > 999) return std::nullopt;
  long long product = naxis > 0 ? 1 : 0;
  for (long long i = 1; i <= naxis; ++i) {
    const long long n = get("NAXIS" + std::to_string(i), -1);
    if (n < 0 || (n > 0 && product > limit / n)) return std::nullopt;
    product *= n;
  }
  const long long bytes = std::llabs(get("BITPIX", 8)) / 8;
  const long long total =
      (product + std::max(0LL, get("PCOUNT", 0))) * bytes * std::max(1LL, get("GCOUNT", 1));
  if (total < 0 || total > limit) return std::nullopt;
  return (total + 2879) / 2880 * 2880;
}

}  // namespace

struct FitsTable::Impl {
  std::string name;
  std::string bytes;       // the file held in memory (OpenMemory)
  void* memory = nullptr;  // CFITSIO keeps the address of this pointer
  std::size_t memorySize = 0;
  fitsfile* file = nullptr;
  long long rows = 0;
  // Bytes the table's data may take at most: the size of the file, or for
  // a gzip file its size times 1032, the largest ratio DEFLATE reaches.
  long long capacity = 0;
  std::map<std::string, std::string> keywords;

  ~Impl() {
    if (file) {
      int status = 0;
      fits_close_file(file, &status);
      fits_clear_errmsg();
    }
  }

  [[noreturn]] void Fail(const std::string& what) const { throw FormatError(name, 0, 0, what); }

  void Check(int status, const char* doing) const {
    if (status != 0) Fail(std::string(doing) + ": " + StatusText(status));
  }

  void ReadKeywords() {
    int status = 0, count = 0, more = 0;
    fits_get_hdrspace(file, &count, &more, &status);
    Check(status, "cannot read the header");
    for (int k = 1; k <= count; ++k) {
      char key[FLEN_KEYWORD] = {}, value[FLEN_VALUE] = {}, comment[FLEN_COMMENT] = {};
      fits_read_keyn(file, k, key, value, comment, &status);
      Check(status, "cannot read the header");
      if (key[0] && value[0]) keywords[Upper(key)] = Unquote(value);
    }
  }

  // After opening: keywords of the primary header, then the table of HDU 1.
  void Prepare() {
    int status = 0, type = 0;
    ReadKeywords();
    // Moving to HDU 1 reads no extension after it (counting the HDUs would
    // read them all).
    fits_movabs_hdu(file, 2, &type, &status);
    if (status == END_OF_FILE) {
      StatusText(status);
      Fail("no table in HDU 1: an image or a header alone, not a light curve");
    }
    Check(status, "cannot read HDU 1");
    if (type != BINARY_TBL) Fail("HDU 1 is not a binary table: not a light curve");
    ReadKeywords();
    fits_get_num_rowsll(file, &rows, &status);
    Check(status, "cannot read the table of HDU 1");
    long rowBytes = 0;
    if (auto n = keywords.find("NAXIS1"); n != keywords.end())
      rowBytes = static_cast<long>(ParseNumber(n->second).value_or(0));
    // A header that promises more rows than the file holds is a cut or
    // damaged file; refusing it here also keeps a forged row count from
    // asking for memory the data could never fill.
    const long long available = capacity - file->Fptr->datastart;
    if (rows < 0 || (rowBytes > 0 && rows > available / rowBytes) || (rowBytes <= 0 && rows > 0))
      Fail("the table of HDU 1 claims " + std::to_string(rows) +
           " rows, more than the file holds: the file is cut short or damaged");
  }

  int ColumnNumber(std::string_view column, int& type) const {
    int status = 0, number = 0;
    std::string name(column);
    fits_get_colnum(file, CASEINSEN, name.data(), &number, &status);
    if (status != 0) {
      StatusText(status);
      Fail("HDU 1 has no column " + std::string(column));
    }
    long repeat = 0, width = 0;
    fits_get_coltype(file, number, &type, &repeat, &width, &status);
    Check(status, "cannot read the column description");
    if (repeat != 1 || type == TSTRING || type == TLOGICAL || type < 0 || type == TBIT)
      Fail("column " + std::string(column) + " of HDU 1 is not a number per row");
    return number;
  }
};

FitsTable::FitsTable(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
FitsTable::FitsTable(FitsTable&&) noexcept = default;
FitsTable& FitsTable::operator=(FitsTable&&) noexcept = default;
FitsTable::~FitsTable() = default;

FitsTable FitsTable::Open(const std::string& path) {
  std::optional<std::string> bytes;
  try {
    bytes = ReadFileIfExists(path);
  } catch (const IoError& e) {
    throw FormatError(path, 0, 0, e.reason());
  }
  if (!bytes) throw FormatError(path, 0, 0, "no such file");
  const bool gzip = bytes->size() >= 2 && (*bytes)[0] == '\x1F' && (*bytes)[1] == '\x8B';
  // A plain file is read here and handed over from memory, so that its
  // headers are checked before CFITSIO reads them; a gzip file is left to
  // CFITSIO, which unpacks it.
  if (!gzip) return OpenMemory(*bytes, path);
  auto impl = std::make_unique<Impl>();
  impl->name = path;
  impl->capacity = static_cast<long long>(bytes->size()) * 1032;
  int status = 0;
  // The disk-file entry takes the name as it stands (no bracket syntax)
  // and unpacks gzip files.
  fits_open_diskfile(&impl->file, path.c_str(), READONLY, &status);
  if (status != 0) {
    impl->file = nullptr;
    impl->Fail("not a readable FITS file: " + StatusText(status));
  }
  impl->Prepare();
  return FitsTable(std::move(impl));
}

FitsTable FitsTable::OpenMemory(std::string_view bytes, const std::string& name) {
  auto impl = std::make_unique<Impl>();
  impl->name = name;
  if (bytes.empty()) impl->Fail("the file is empty");
  if (bytes.substr(0, 9) != "SIMPLE  =")
    impl->Fail("not a readable FITS file: it does not start with the SIMPLE card");
  {
    std::map<std::string, long long> primary, table;
    std::size_t end = 0;
    std::string problem = CheckHeader(bytes, 0, end, primary);
    if (!problem.empty()) impl->Fail("damaged primary header, " + problem);
    const long long limit = static_cast<long long>(bytes.size());
    if (auto data = DataBytes(primary, limit); data && end + *data < bytes.size()) {
      const std::size_t start = end + static_cast<std::size_t>(*data);
      problem = CheckHeader(bytes, start, end, table);
      if (!problem.empty()) impl->Fail("damaged header of HDU 1, " + problem);
    }
  }
  // CFITSIO's memory driver reads whole 2880-byte blocks and trusts the
  // buffer to hold them: a file cut inside a block is padded with zeros
  // here, while the checks below go by the real size.
  impl->bytes.assign(bytes);
  impl->bytes.resize((bytes.size() + 2879) / 2880 * 2880, '\0');
  impl->memory = impl->bytes.data();
  impl->memorySize = impl->bytes.size();
  impl->capacity = static_cast<long long>(bytes.size());
  int status = 0;
  fits_open_memfile(&impl->file, name.c_str(), READONLY, &impl->memory, &impl->memorySize, 0,
                    nullptr, &status);
  if (status != 0) {
    impl->file = nullptr;
    impl->Fail("not a readable FITS file: " + StatusText(status));
  }
  impl->Prepare();
  return FitsTable(std::move(impl));
}

const std::string& FitsTable::name() const { return impl_->name; }
long long FitsTable::rows() const { return impl_->rows; }

bool FitsTable::HasColumn(std::string_view column) const {
  int status = 0, number = 0;
  std::string name(column);
  fits_get_colnum(impl_->file, CASEINSEN, name.data(), &number, &status);
  if (status != 0) StatusText(status);
  return status == 0;
}

std::vector<double> FitsTable::ReadDoubles(std::string_view column) const {
  int type = 0;
  const int number = impl_->ColumnNumber(column, type);
  std::vector<double> out(static_cast<std::size_t>(impl_->rows));
  if (out.empty()) return out;
  int status = 0, anyNull = 0;
  double null = std::numeric_limits<double>::quiet_NaN();
  fits_read_col(impl_->file, TDOUBLE, number, 1, 1, impl_->rows, &null, out.data(), &anyNull,
                &status);
  impl_->Check(status, ("cannot read column " + std::string(column)).c_str());
  return out;
}

std::vector<std::uint32_t> FitsTable::ReadBits(std::string_view column) const {
  int type = 0;
  const int number = impl_->ColumnNumber(column, type);
  std::vector<long long> raw(static_cast<std::size_t>(impl_->rows));
  std::vector<std::uint32_t> out(raw.size());
  if (out.empty()) return out;
  int status = 0, anyNull = 0;
  long long null = 0;
  fits_read_col(impl_->file, TLONGLONG, number, 1, 1, impl_->rows, &null, raw.data(), &anyNull,
                &status);
  impl_->Check(status, ("cannot read column " + std::string(column)).c_str());
  for (std::size_t i = 0; i < raw.size(); ++i) out[i] = static_cast<std::uint32_t>(raw[i]);
  return out;
}

std::optional<std::string> FitsTable::Keyword(std::string_view key) const {
  auto it = impl_->keywords.find(Upper(key));
  if (it == impl_->keywords.end()) return std::nullopt;
  return it->second;
}

std::optional<double> FitsTable::KeywordNumber(std::string_view key) const {
  auto text = Keyword(key);
  if (!text) return std::nullopt;
  std::string s = *text;
  for (char& c : s)
    if (c == 'D' || c == 'd') c = 'E';
  return ParseNumber(s);
}

}  // namespace teril

#include "formats/fits.h"

#include <fitsio.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>

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
    int status = 0, hdus = 0, type = 0;
    ReadKeywords();
    fits_get_num_hdus(file, &hdus, &status);
    Check(status, "cannot count the HDUs");
    if (hdus < 2) Fail("no table in HDU 1: an image or a header alone, not a light curve");
    fits_movabs_hdu(file, 2, &type, &status);
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
  auto impl = std::make_unique<Impl>();
  impl->name = path;
  {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    char magic[2] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(magic, 2);
    const bool gzip = in.gcount() == 2 && magic[0] == '\x1F' && magic[1] == '\x8B';
    impl->capacity = error ? 0 : static_cast<long long>(size) * (gzip ? 1032 : 1);
  }
  int status = 0;
  // The disk-file entry takes the name as it stands (no bracket syntax)
  // and still reads gzip-compressed files.
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
  impl->bytes.assign(bytes);
  if (impl->bytes.empty()) impl->Fail("the file is empty");
  impl->memory = impl->bytes.data();
  impl->memorySize = impl->bytes.size();
  impl->capacity = static_cast<long long>(impl->bytes.size());
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

// The binary table of a FITS file, read through CFITSIO (Pence 1999,
// "CFITSIO, v2.0: A New Full-Featured Data Interface", ASP Conf. Ser. 172,
// 487; the FITS standard 4.0, IAU FITS Working Group 2018). This module is
// the one place of the program that calls CFITSIO.
//
// A table is the extension HDU 1 (the first after the primary header), a
// BINTABLE as the light-curve files of TESS, Kepler and K2 hold it. The
// keywords of that extension and of the primary header are read once at
// opening (the extension's win when both have one).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/light_curve_table.h"

namespace teril {

class FitsTable {
 public:
  // Opens the file at `path` (gzip-compressed files too). Throws
  // FormatError naming the file: not FITS, damaged or cut short, no
  // extension HDU 1 (an image alone), HDU 1 not a binary table.
  static FitsTable Open(const std::string& path);
  // The same for a file held in memory; `name` is used in messages.
  static FitsTable OpenMemory(std::string_view bytes, const std::string& name);

  FitsTable(FitsTable&&) noexcept;
  FitsTable& operator=(FitsTable&&) noexcept;
  ~FitsTable();

  const std::string& name() const;
  long long rows() const;
  // Column names are compared without regard to case.
  bool HasColumn(std::string_view column) const;
  // A scalar numeric column as doubles; null values (TNULL of an integer
  // column, NaN of a float column) become NaN. Throws FormatError for a
  // missing column, a vector or text column, or a read error (file cut).
  std::vector<double> ReadDoubles(std::string_view column) const;
  // A scalar integer column such as QUALITY; nulls become 0.
  std::vector<std::uint32_t> ReadBits(std::string_view column) const;

  // Keyword value: strings without their quotes and trailing blanks,
  // numbers and logicals as written. Nothing when neither header has it.
  std::optional<std::string> Keyword(std::string_view key) const;
  std::optional<double> KeywordNumber(std::string_view key) const;

 private:
  struct Impl;
  explicit FitsTable(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace teril

// The FITS module and the light-curve reader on arbitrary bytes held in
// memory, as CFITSIO opens them. The first byte chooses the flux column
// (bit 0: SAP) and the quality mask (bits 1-2); the rest is the file.
//
// Properties: opening returns or throws a FormatError naming the file; a
// table never claims more rows than the bytes can hold; the light curve has
// one entry per row in every column; the import keeps only finite values.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/fits.h"
#include "formats/import.h"
#include "formats/lightcurve_fits.h"
#include "fuzz_check.h"

using namespace teril;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t choice = bytes[0];
  const std::string_view file(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  try {
    FitsTable fits = FitsTable::OpenMemory(file, "fuzz.fits");
    FUZZ_CHECK(fits.rows() >= 0 && fits.rows() <= static_cast<long long>(file.size()));
    LightCurveTable lc = ReadLightCurve(fits, (choice & 1) ? FluxColumn::Sap : FluxColumn::Pdcsap);
    const std::size_t n = lc.rows();
    FUZZ_CHECK(static_cast<long long>(n) == fits.rows());
    FUZZ_CHECK(lc.value.size() == n && lc.flags.size() == n);
    FUZZ_CHECK(lc.error.empty() || lc.error.size() == n);
    FUZZ_CHECK(lc.quality.empty() || lc.quality.size() == n);
    ImportOptions options = DefaultImportOptions(lc);
    options.mask = static_cast<QualityMask>((choice >> 1) % 3);
    ImportedCurve curve = BuildImport(lc, options, "fuzz.fits");
    FUZZ_CHECK(!curve.t.empty() && curve.t.size() <= n);
    for (std::size_t i = 0; i < curve.t.size(); ++i)
      FUZZ_CHECK(std::isfinite(curve.t[i]) && std::isfinite(curve.x[i]));
  } catch (const FormatError& e) {
    FUZZ_CHECK(e.file() == "fuzz.fits");
  }
  return 0;
}

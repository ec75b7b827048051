// The import of a downloaded light curve: the choices of the "Import"
// dialog, the rows they select, and the program's own data file made from
// them beside the source, so that every later step reads the data file as
// it always did.
//
// Signal (choice 1, magnitudes): m = zp - 2.5 lg F with the zero point of
// the file (0 when it gives none) and sigma_m = 2.5 / ln 10 * sigma_F / F
// (= 1.0857 sigma_F / F; Pogson's ratio, e.g. Sterken & Jaschek 1996, Light
// Curves of Variable Stars, ch. 2); rows with F <= 0 have no magnitude and
// are dropped with that reason. Magnitudes in the file are taken as they
// stand. Choice 2, relative flux: F / median(F) and sigma_F / median(F),
// the median over the kept rows of each band; magnitudes are turned into
// flux first (F = 10^(-0.4 m)).
//
// The data file: header lines that start with "# " (never a digit, sign or
// point, so the data-file reader takes them as header lines), then one line
// per row: t, s, x and the observer code, separated by blanks (the data
// file's observer code follows x, so x is column 2 and s column 1; without
// an error column: t, x and the observer code). Text is plain ASCII ("-" for
// minus), numbers through numfmt. Column s holds the error (0 where the
// file gives none, counted in the header); there is no s when the file has
// no error column at all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/light_curve_table.h"
#include "formats/lightcurve_fits.h"

namespace teril {

enum class SignalMode { Magnitudes = 1, RelativeFlux = 2 };

// The fields of the "Import" dialog, in its order, with the defaults an
// observer would pick (see DefaultImportOptions for the band).
struct ImportOptions {
  std::vector<std::string> bands;              // "Bands": empty when the file has no band column
  FluxColumn flux = FluxColumn::Pdcsap;        // "Flux column": passed to ReadLightCurve
  QualityMask mask = QualityMask::Default;     // "Quality mask"
  SignalMode signal = SignalMode::Magnitudes;  // "Signal"
  bool dropFlagged = true;                     // "Drop flagged rows"
};

struct BandCount {
  std::string name;
  long count = 0;
};

// Bands of the table with their numbers of rows, most rows first (ties in
// the order the file first names them). Empty when the table has no bands.
std::vector<BandCount> ListBands(const LightCurveTable& table);

// The defaults for `table`: the band with most rows, PDCSAP, the mission's
// default mask, magnitudes, flagged rows dropped.
ImportOptions DefaultImportOptions(const LightCurveTable& table);

// The answer of the "Bands" field: names separated by blanks.
std::vector<std::string> SplitBands(std::string_view answer);

struct DroppedRows {
  std::string reason;
  long count = 0;
};

struct ImportedCurve {
  std::vector<double> t, x, s;       // s empty when the file has no error column
  std::vector<int> observer;         // index into codes, -1 for none; empty when no observer column
  std::vector<std::string> codes;    // observer codes as written (at most 3 characters, unique)
  std::vector<std::string> mapping;  // "LONGCODE = LON" for every code that had to be shortened
  std::vector<DroppedRows> dropped;  // by reason, in the order applied
  std::vector<std::string> header;   // header lines, each starting with "# "
  std::string path;                  // the data file to write, beside the source
};

// The rows of `table` chosen by `options`, converted, with the header
// lines and the name of the data file: `<stem>_<band>[_<band>...].dat` for
// a table with bands, `<stem>_pdcsap.dat` / `<stem>_sap.dat` for a FITS
// light curve, `<stem>.dat` otherwise, in the folder of `sourcePath` (the
// stem drops ".gz" and then the last extension). Throws FormatError naming
// the file when a band asked for is not in it (the message lists the
// bands), when bands are asked of a file without bands, or when no row is
// left.
ImportedCurve BuildImport(const LightCurveTable& table, const ImportOptions& options,
                          const std::string& sourcePath);

// Short three-character codes for observer codes or band names: codes of
// up to three characters stay as they are, longer ones get their first
// three characters or, when that is taken, another unused code. Blanks and
// control characters become "_". `mapping` receives "LONG = LON" lines.
std::vector<std::string> ShortCodes(const std::vector<std::string>& names,
                                    std::vector<std::string>& mapping);

// The text of the data file.
std::string ImportText(const ImportedCurve& curve);

// Writes the data file atomically (base/io.h); throws IoError.
void WriteImport(const ImportedCurve& curve);

// The columns of x and s in the written file (s: 0 when there is none).
inline int ImportColumnX(const ImportedCurve& curve) { return curve.s.empty() ? 1 : 2; }
inline int ImportColumnS(const ImportedCurve& curve) { return curve.s.empty() ? 0 : 1; }

}  // namespace teril

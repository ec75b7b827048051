// The columns that every reader of a downloaded light curve hands to the
// import: one row per observation, with what the file said about the row
// (flags, quality bits) kept beside it so that the import can drop rows and
// say why.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace teril {

// A file that cannot be read as the kind it claims to be. For text, `line`
// and `column` are 1-based (column = the field number in the header row);
// 0 where they do not apply (a FITS file, a missing column).
class FormatError : public std::runtime_error {
 public:
  FormatError(std::string file, int line, int column, const std::string& message);
  const std::string& file() const { return file_; }
  int line() const { return line_; }
  int column() const { return column_; }

 private:
  std::string file_;
  int line_;
  int column_;
};

// Which archive wrote the table: it decides the columns read and the flags.
enum class TableFlavour {
  Generic,        // any header-named table, columns found through the aliases
  Ztf,            // IRSA light curve of the Zwicky Transient Facility
  AsasSnOld,      // ASAS-SN: HJD,...,mag,mag_err,...
  AsasSnNew,      // ASAS-SN: JD,Flux,Flux Error,Mag,Mag Error,Limit,FWHM,Filter,Quality
  Gaia,           // Gaia DR3 epoch photometry, long form (one row per band and epoch)
  AavsoDownload,  // AAVSO download: JD,Magnitude,Uncertainty,...
  AavsoExtended,  // AAVSO extended format (#TYPE=EXTENDED)
  SpaceFits,      // TESS, Kepler or K2 light-curve FITS file
};

const char* FlavourName(TableFlavour flavour);

enum class SignalKind { Magnitude, Flux };

// Why a row is flagged by its file (bits of LightCurveTable::flags).
enum RowFlag : std::uint8_t {
  kFlagCatalog = 1,        // ZTF catflags != 0
  kFlagRejected = 2,       // Gaia rejected_by_photometry or rejected_by_variability
  kFlagUpperLimit = 4,     // ASAS-SN upper limit (">", mag_err 99.99)
  kFlagFainterThan = 8,    // AAVSO "<" estimate: the star was fainter than this
  kFlagBadMagnitude = 16,  // a sentinel magnitude such as 99.99
  kFlagBadQuality = 32,    // ASAS-SN Quality other than "G"
};
inline constexpr int kRowFlagCount = 6;
// Text of a flag for header lines and logs ("ZTF catflags != 0", ...).
const char* RowFlagReason(int bit);

struct LightCurveTable {
  std::string source;  // file name as messages show it
  TableFlavour flavour = TableFlavour::Generic;
  SignalKind signal = SignalKind::Magnitude;
  std::string timeColumn, signalColumn, errorColumn;  // as named by the file
  // The time reference as a header line of the data file says it, e.g.
  // "time = BJD_TDB - 2457000", "time = MJD = JD - 2400000.5", "time = HJD".
  std::string timeReference;
  // Zero point of magnitudes made from flux, when the file gives one.
  std::optional<double> zeroPoint;

  std::vector<double> time;   // in the file's own reference
  std::vector<double> value;  // magnitude or flux; NaN where the cell is empty
  std::vector<double> error;  // NaN where missing; the whole vector empty when no column
  std::vector<int> band;      // index into bandNames; empty when no band column
  std::vector<std::string> bandNames;
  std::vector<int> observer;  // index into observerNames; -1 where empty
  std::vector<std::string> observerNames;
  std::vector<std::uint8_t> flags;     // RowFlag bits per row
  std::vector<std::uint32_t> quality;  // FITS QUALITY per row; empty for text

  // FITS light curves.
  std::string mission;             // "TESS", "Kepler", "K2"
  std::string fluxColumn;          // "PDCSAP_FLUX" or "SAP_FLUX"
  std::string timeSystem;          // TIMESYS, e.g. "TDB"
  std::optional<double> ra, dec;   // RA_OBJ, DEC_OBJ in degrees
  std::vector<std::string> notes;  // remarks for the header lines ("no PDCSAP_FLUX: SAP_FLUX used")

  std::size_t rows() const { return time.size(); }
};

}  // namespace teril

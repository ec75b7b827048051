#include "formats/lightcurve_fits.h"

#include "base/numfmt.h"

namespace teril {

namespace {

constexpr std::uint32_t kTessDefault = 1 | 2 | 4 | 8 | 16 | 32 | 128 | 16384;
constexpr std::uint32_t kKeplerDefault =
    1 | 2 | 4 | 8 | 32 | 64 | 256 | 1024 | 16384 | 32768 | 65536;
constexpr std::uint32_t kK2Default = kKeplerDefault | 1048576;

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

std::uint32_t QualityMaskBits(std::string_view mission, QualityMask mask) {
  switch (mask) {
    case QualityMask::None:
      return 0;
    case QualityMask::Hard:
      return 0xFFFFFFFFu;
    case QualityMask::Default:
      break;
  }
  const std::string m = Upper(std::string(mission));
  if (m == "K2") return kK2Default;
  if (m == "KEPLER") return kKeplerDefault;
  return kTessDefault;
}

const char* QualityMaskName(QualityMask mask) {
  switch (mask) {
    case QualityMask::Default:
      return "default";
    case QualityMask::Hard:
      return "hard";
    case QualityMask::None:
      return "none";
  }
  return "default";
}

const char* FluxColumnName(FluxColumn flux) { return flux == FluxColumn::Sap ? "sap" : "pdcsap"; }

LightCurveTable ReadLightCurve(const FitsTable& fits, FluxColumn flux) {
  LightCurveTable table;
  table.source = fits.name();
  table.flavour = TableFlavour::SpaceFits;
  table.signal = SignalKind::Flux;
  if (!fits.HasColumn("TIME"))
    throw FormatError(fits.name(), 0, 0, "HDU 1 has no TIME column: not a light curve");
  std::string column = flux == FluxColumn::Sap ? "SAP_FLUX" : "PDCSAP_FLUX";
  if (!fits.HasColumn(column)) {
    const std::string other = flux == FluxColumn::Sap ? "PDCSAP_FLUX" : "SAP_FLUX";
    if (!fits.HasColumn(other))
      throw FormatError(fits.name(), 0, 0,
                        "HDU 1 has no PDCSAP_FLUX or SAP_FLUX column: not a light curve");
    table.notes.push_back("no " + column + " column: " + other + " used");
    column = other;
  }
  table.fluxColumn = column;
  table.timeColumn = "TIME";
  table.signalColumn = column;
  table.time = fits.ReadDoubles("TIME");
  table.value = fits.ReadDoubles(column);
  if (fits.HasColumn(column + "_ERR")) {
    table.errorColumn = column + "_ERR";
    table.error = fits.ReadDoubles(table.errorColumn);
  }
  if (fits.HasColumn("QUALITY")) table.quality = fits.ReadBits("QUALITY");
  table.flags.assign(table.time.size(), 0);

  table.mission = fits.Keyword("MISSION").value_or(fits.Keyword("TELESCOP").value_or(""));
  table.timeSystem = fits.Keyword("TIMESYS").value_or("");
  table.ra = fits.KeywordNumber("RA_OBJ");
  table.dec = fits.KeywordNumber("DEC_OBJ");
  for (const char* key : {"MAGZP", "ZEROPNT", "ZP_MAG"})
    if (auto zp = fits.KeywordNumber(key)) {
      table.zeroPoint = zp;
      break;
    }

  // TIMEREF says where the clock sits; the light curves of all three
  // missions are barycentric.
  const std::string where = Upper(fits.Keyword("TIMEREF").value_or("SOLARSYSTEM"));
  std::string scale = where == "LOCAL" ? "JD" : where == "HELIOCENTRIC" ? "HJD" : "BJD";
  if (!table.timeSystem.empty()) scale += "_" + Upper(table.timeSystem);
  const auto refI = fits.KeywordNumber("BJDREFI");
  const auto refF = fits.KeywordNumber("BJDREFF");
  if (refI || refF) {
    const double offset = refI.value_or(0) + refF.value_or(0);
    table.timeReference = "time = " + scale + (offset != 0 ? " - " + General(offset) : "");
  } else {
    table.timeReference = "time = TIME as in the file (no BJDREFI/BJDREFF given)";
  }
  return table;
}

}  // namespace teril

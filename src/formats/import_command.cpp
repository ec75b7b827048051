#include "formats/import_command.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/dialogs.h"
#include "engine/engine.h"
#include "formats/detect.h"
#include "formats/fits.h"
#include "formats/import.h"
#include "formats/lightcurve_fits.h"
#include "formats/table_reader.h"

namespace teril {
namespace {

// How many bytes decide the kind of a file.
constexpr std::size_t kHeadBytes = 64 * 1024;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// The columns a data file written by the import names in its header lines
// ("# Columns: t s x observer (column x = 2, column s = 1)").
void ColumnsFromHeader(std::string_view head, ImportOutcome& out) {
  if (!head.starts_with("# Imported from ")) return;
  if (head.find("\n# Columns: t s x observer") != std::string_view::npos) {
    out.columnX = 2;
    out.columnS = 1;
  }
}

std::string BandsNote(const LightCurveTable& table) {
  const auto bands = ListBands(table);
  if (bands.empty()) return {};
  std::string note = "Bands in the file (points):";
  for (const auto& b : bands) note += " " + b.name + " (" + std::to_string(b.count) + ")";
  return note;
}

// The answers of the "Import" dialog; a message naming the field when one
// cannot be taken.
std::optional<std::string> ReadAnswers(const std::vector<DialogField>& f, ImportOptions& o) {
  o.bands = SplitBands(f[0].value);
  const std::string flux = Lower(Trimmed(f[1].value));
  if (flux == "pdcsap" || flux == "pdcsap_flux") {
    o.flux = FluxColumn::Pdcsap;
  } else if (flux == "sap" || flux == "sap_flux") {
    o.flux = FluxColumn::Sap;
  } else {
    return "\"Flux column\" must be PDCSAP or SAP, not \"" + f[1].value + "\"";
  }
  const std::string mask = Lower(Trimmed(f[2].value));
  if (mask == "default") {
    o.mask = QualityMask::Default;
  } else if (mask == "hard") {
    o.mask = QualityMask::Hard;
  } else if (mask == "none") {
    o.mask = QualityMask::None;
  } else {
    return "\"Quality mask\" must be default, hard or none, not \"" + f[2].value + "\"";
  }
  const std::string signal = Trimmed(f[3].value);
  if (signal == "1") {
    o.signal = SignalMode::Magnitudes;
  } else if (signal == "2") {
    o.signal = SignalMode::RelativeFlux;
  } else {
    return "\"Signal\" must be 1 (magnitudes) or 2 (flux / median), not \"" + f[3].value + "\"";
  }
  const std::string drop = Trimmed(f[4].value);
  if (drop != "0" && drop != "1")
    return "\"Drop flagged rows\" must be 1 (yes) or 0 (no), not \"" + f[4].value + "\"";
  o.dropFlagged = drop == "1";
  return std::nullopt;
}

ImportOutcome Refuse(Engine& engine, const std::string& text) {
  engine.LogLine("!!! " + text);
  engine.LogLine(" ");
  engine.host.MessageBox(text);
  ImportOutcome out;
  out.failed = true;
  return out;
}

}  // namespace

ImportOutcome ImportIfForeign(Engine& engine, const std::string& name) {
  ImportOutcome out;
  std::string head;
  {
    InputFile file(name);
    head.resize(kHeadBytes);
    std::size_t got = 0;
    while (got < head.size()) {
      const std::size_t k = file.Read(head.data() + got, head.size() - got);
      if (k == 0) break;
      got += k;
    }
    head.resize(got);
  }
  const DetectedFile kind = DetectFile(head, name);
  if (kind.kind == FileKind::Plain) {
    ColumnsFromHeader(head, out);
    return out;
  }
  try {
    std::optional<LightCurveTable> table;
    std::string text;
    if (kind.kind == FileKind::Fits) {
      table = ReadLightCurve(FitsTable::Open(name), FluxColumn::Pdcsap);
    } else {
      text = ReadFileIfExists(name).value_or(std::string());
      table = ReadTable(text, name);
    }
    ImportOptions options = DefaultImportOptions(*table);
    std::string bands;
    for (const auto& b : options.bands) bands += (bands.empty() ? "" : " ") + b;
    std::vector<DialogField> fields = {
        {"Bands", bands, "the band or bands to load, separated by blanks"},
        {"Flux column", options.flux == FluxColumn::Sap ? "SAP" : "PDCSAP",
         "PDCSAP or SAP (FITS light curves)"},
        {"Quality mask", QualityMaskName(options.mask), "default, hard or none (FITS)"},
        {"Signal", std::to_string(static_cast<int>(options.signal)),
         "1 magnitudes, 2 flux divided by its median"},
        {"Drop flagged rows", options.dropFlagged ? "1" : "0", "1 yes, 0 no"},
    };
    engine.LogLine("Import of \"" + name + "\"");
    const std::string note = BandsNote(*table);
    if (!note.empty()) engine.LogLine(note);
    if (!engine.dialogs.EditFields("Import", "Import", fields, note)) {
      engine.LogLine("Import cancelled; nothing written");
      engine.LogLine(" ");
      out.failed = true;
      return out;
    }
    if (auto why = ReadAnswers(fields, options)) return Refuse(engine, "Import: " + *why);
    if (kind.kind == FileKind::Fits && options.flux != FluxColumn::Pdcsap)
      table = ReadLightCurve(FitsTable::Open(name), options.flux);
    const ImportedCurve curve = BuildImport(*table, options, name);
    WriteImport(curve);
    engine.console.FileWritten(curve.path);
    for (const auto& line : curve.header) engine.LogLine(line);
    engine.LogLine("LOG>> imported " + std::to_string(curve.t.size()) + " points into \"" +
                   FileNamePart(curve.path) + "\"");
    engine.LogLine(" ");
    out.imported = true;
    out.dataFile = FileNamePart(curve.path);
    out.columnX = ImportColumnX(curve);
    out.columnS = ImportColumnS(curve);
    return out;
  } catch (const FormatError& e) {
    return Refuse(engine, e.what());
  } catch (const IoError& e) {
    return Refuse(engine, std::string("Import: ") + e.what());
  }
}

}  // namespace teril

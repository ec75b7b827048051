#include "formats/import.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

#include "base/io.h"
#include "base/numfmt.h"

namespace teril {

namespace {

constexpr double kPogson = 1.0857362047581294;  // 2.5 / ln 10

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
  return s.size() >= suffix.size() && Lower(s.substr(s.size() - suffix.size())) == suffix;
}

// The file name without ".gz" and then without its last extension.
std::string Stem(const std::string& path) {
  std::string name = FileNamePart(path);
  if (EndsWithNoCase(name, ".gz")) name.resize(name.size() - 3);
  auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

// A band name as part of a file name.
std::string FileNameSafe(std::string_view s) {
  std::string out;
  for (char c : s) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '.' || c == '+';
    out += ok ? c : '_';
  }
  return out.empty() ? "_" : out;
}

std::string Sanitised(std::string_view s) {
  std::string out;
  for (char c : s) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += (u <= 32 || u == 127) ? '_' : c;
  }
  return out;
}

double Median(std::vector<double> v) {
  if (v.empty()) return std::nan("");
  const std::size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + mid, v.end());
  double m = v[mid];
  if (v.size() % 2 == 0) m = (m + *std::max_element(v.begin(), v.begin() + mid)) / 2;
  return m;
}

std::string BandList(const std::vector<BandCount>& bands) {
  std::string s;
  for (const auto& b : bands)
    s += (s.empty() ? "" : ", ") + b.name + " (" + std::to_string(b.count) + ")";
  return s;
}

}  // namespace

std::vector<BandCount> ListBands(const LightCurveTable& table) {
  std::vector<BandCount> out(table.bandNames.size());
  for (std::size_t k = 0; k < out.size(); ++k) out[k].name = table.bandNames[k];
  for (int b : table.band)
    if (b >= 0) ++out[b].count;
  std::stable_sort(out.begin(), out.end(),
                   [](const BandCount& a, const BandCount& b) { return a.count > b.count; });
  return out;
}

ImportOptions DefaultImportOptions(const LightCurveTable& table) {
  ImportOptions o;
  auto bands = ListBands(table);
  if (!bands.empty()) o.bands = {bands.front().name};
  return o;
}

std::vector<std::string> SplitBands(std::string_view answer) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < answer.size()) {
    while (i < answer.size() && (answer[i] == ' ' || answer[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < answer.size() && answer[i] != ' ' && answer[i] != '\t') ++i;
    if (i > start) out.emplace_back(answer.substr(start, i - start));
  }
  return out;
}

std::vector<std::string> ShortCodes(const std::vector<std::string>& names,
                                    std::vector<std::string>& mapping) {
  std::vector<std::string> codes(names.size());
  std::set<std::string> used;
  // Short clean codes keep themselves; the others are fitted in around them.
  auto keeps = [](const std::string& name) { return name.size() <= 3 && Sanitised(name) == name; };
  for (std::size_t k = 0; k < names.size(); ++k)
    if (keeps(names[k]) && used.insert(names[k]).second) codes[k] = names[k];
  static const char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (!codes[k].empty() || keeps(names[k])) {
      if (codes[k].empty()) codes[k] = names[k];  // the same name given twice
      continue;
    }
    std::string base = Sanitised(names[k]).substr(0, 3);
    for (char& c : base)
      if (static_cast<unsigned char>(c) >= 128) c = '_';
    base.resize(3, '_');
    std::string code = Sanitised(names[k]).size() <= 3 ? Sanitised(names[k]) : base;
    // Keep as much of the name as possible: vary the last character, then
    // the last two, then take any free code.
    for (int i = 0; used.count(code) && i < 36; ++i) code = base.substr(0, 2) + kAlphabet[i];
    for (int i = 0; used.count(code) && i < 36 * 36; ++i)
      code = base.substr(0, 1) + kAlphabet[i / 36] + kAlphabet[i % 36];
    for (int i = 0; used.count(code) && i < 36 * 36 * 36; ++i)
      code = std::string() + kAlphabet[i / 1296] + kAlphabet[i / 36 % 36] + kAlphabet[i % 36];
    if (used.count(code)) throw std::length_error("more than 46656 observer codes");
    used.insert(code);
    codes[k] = code;
    mapping.push_back(names[k] + " = " + code);
  }
  return codes;
}

ImportedCurve BuildImport(const LightCurveTable& table, const ImportOptions& options,
                          const std::string& sourcePath) {
  ImportedCurve out;
  const std::string& file = table.source;
  const std::size_t n = table.rows();
  const bool fits = table.flavour == TableFlavour::SpaceFits;

  // Chosen bands.
  std::vector<char> chosen(table.bandNames.size(), 0);
  std::vector<std::string> bandNames;
  if (!options.bands.empty() && table.band.empty())
    throw FormatError(file, 0, 0, "bands were asked for, but the file has no band column");
  for (const auto& want : options.bands) {
    auto it = std::find(table.bandNames.begin(), table.bandNames.end(), want);
    if (it == table.bandNames.end())
      throw FormatError(
          file, 0, 0,
          "band \"" + want + "\" is not in the file; it has " + BandList(ListBands(table)));
    if (!chosen[it - table.bandNames.begin()]) bandNames.push_back(want);
    chosen[it - table.bandNames.begin()] = 1;
  }
  const bool allBands = options.bands.empty();

  // Rows kept, and why the others went.
  enum Reason { kMissing, kQuality, kFlux, kReasons };
  long counts[kReasons] = {}, flagged[kRowFlagCount] = {}, otherBands = 0;
  const std::uint32_t maskBits = QualityMaskBits(table.mission, options.mask);
  const bool toMagnitudes =
      options.signal == SignalMode::Magnitudes && table.signal == SignalKind::Flux;
  std::vector<std::size_t> rows;
  rows.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!allBands && !table.band.empty() && (table.band[i] < 0 || !chosen[table.band[i]])) {
      ++otherBands;
      continue;
    }
    if (!std::isfinite(table.time[i]) || !std::isfinite(table.value[i])) {
      ++counts[kMissing];
    } else if (!table.quality.empty() && (table.quality[i] & maskBits)) {
      ++counts[kQuality];
    } else if (options.dropFlagged && table.flags[i]) {
      int bit = 0;
      while (!(table.flags[i] & (1 << bit))) ++bit;
      ++flagged[bit];
    } else if (toMagnitudes && table.value[i] <= 0) {
      ++counts[kFlux];
    } else {
      rows.push_back(i);
    }
  }
  if (counts[kMissing])
    out.dropped.push_back(
        {fits ? "time or flux is NaN" : "time or signal missing (empty or NaN)", counts[kMissing]});
  if (counts[kQuality])
    out.dropped.push_back({"QUALITY & " + std::to_string(maskBits) + " (" +
                               QualityMaskName(options.mask) + " mask) not 0",
                           counts[kQuality]});
  for (int b = 0; b < kRowFlagCount; ++b)
    if (flagged[b]) out.dropped.push_back({RowFlagReason(b), flagged[b]});
  if (counts[kFlux]) out.dropped.push_back({"flux not positive (no magnitude)", counts[kFlux]});

  // Signal and error.
  const bool hasError = !table.error.empty();
  const double zp = table.zeroPoint.value_or(0.0);
  long noError = 0, outOfRange = 0;
  out.t.reserve(rows.size());
  out.x.reserve(rows.size());
  if (hasError) out.s.reserve(rows.size());
  std::vector<double> medians;  // per band index + 1 (0: no band)
  const bool relative = options.signal == SignalMode::RelativeFlux;
  auto fluxOf = [&](std::size_t i) {
    return table.signal == SignalKind::Flux ? table.value[i]
                                            : std::pow(10.0, -0.4 * table.value[i]);
  };
  if (relative) {
    std::vector<std::vector<double>> groups(table.bandNames.size() + 1);
    for (std::size_t i : rows)
      groups[table.band.empty() ? 0 : table.band[i] + 1].push_back(fluxOf(i));
    for (auto& g : groups) {
      medians.push_back(Median(std::move(g)));
      // Dividing by a median of zero or below would turn the curve over or
      // make it infinite.
      if (!(medians.back() > 0) && !std::isnan(medians.back()))
        throw FormatError(file, 0, 0, "the median flux is not positive: no relative flux");
    }
  }
  std::size_t kept = 0;
  for (std::size_t i : rows) {
    const double v = table.value[i];
    const double e = hasError ? table.error[i] : std::nan("");
    double x = v, s = e;
    if (relative) {
      const double med = medians[table.band.empty() ? 0 : table.band[i] + 1];
      const double f = fluxOf(i);
      x = f / med;
      s = table.signal == SignalKind::Flux ? e / med : x * e / kPogson;
    } else if (toMagnitudes) {
      x = zp - 2.5 * std::log10(v);
      s = kPogson * e / v;
    }
    // A value the data set cannot hold (an overflow of 10^(-0.4 m)) is
    // dropped rather than written as infinity.
    if (!std::isfinite(x)) {
      ++outOfRange;
      continue;
    }
    rows[kept++] = i;
    out.t.push_back(table.time[i]);
    out.x.push_back(x);
    if (hasError) {
      if (!std::isfinite(s)) {
        s = 0;
        ++noError;
      }
      out.s.push_back(std::fabs(s));
    }
  }
  rows.resize(kept);
  if (outOfRange) out.dropped.push_back({"signal out of range after conversion", outOfRange});
  if (rows.empty()) {
    long total = 0;
    for (const auto& d : out.dropped) total += d.count;
    throw FormatError(file, 0, 0,
                      "no rows left to import (" + std::to_string(total) + " dropped, " +
                          std::to_string(otherBands) + " of other bands)");
  }

  // Observer column: the band when several are loaded, else the observer.
  const bool bandAsObserver =
      !table.band.empty() && (allBands ? table.bandNames.size() > 1 : bandNames.size() > 1);
  const std::vector<int>* who = bandAsObserver           ? &table.band
                                : table.observer.empty() ? nullptr
                                                         : &table.observer;
  if (who) {
    const auto& names = bandAsObserver ? table.bandNames : table.observerNames;
    std::vector<int> slot(names.size(), -1);
    std::vector<std::string> usedNames;
    out.observer.reserve(rows.size());
    for (std::size_t i : rows) {
      const int k = (*who)[i];
      if (k >= 0 && slot[k] < 0) {
        slot[k] = static_cast<int>(usedNames.size());
        usedNames.push_back(names[k]);
      }
      out.observer.push_back(k >= 0 ? slot[k] : -1);
    }
    out.codes = ShortCodes(usedNames, out.mapping);
  }

  // File name.
  std::string name = Stem(sourcePath);
  if (fits) {
    name += std::string("_") + (table.fluxColumn == "SAP_FLUX" ? "sap" : "pdcsap");
  } else {
    for (const auto& b : bandNames) name += "_" + FileNameSafe(b);
  }
  name += ".dat";
  if (name == FileNamePart(sourcePath)) name = Stem(sourcePath) + "_import.dat";
  const std::string folder = FolderPart(sourcePath);
  out.path = folder.empty() ? name : folder + "/" + name;

  // Header lines.
  auto& h = out.header;
  h.push_back("# Imported from \"" + FileNamePart(sourcePath) + "\" (" +
              FlavourName(table.flavour) + (table.mission.empty() ? "" : ", " + table.mission) +
              ")");
  h.push_back("# " + table.timeReference + " (column " + table.timeColumn + ")");
  for (const auto& note : table.notes) h.push_back("# Note: " + note);
  if (table.ra && table.dec) {
    h.push_back("# RA = " + General(*table.ra) + " deg");
    h.push_back("# Dec = " + General(*table.dec) + " deg");
  }
  if (!table.bandNames.empty())
    h.push_back("# Bands: " + (allBands ? std::string("all") : [&] {
                  std::string s;
                  for (const auto& b : bandNames) s += (s.empty() ? "" : " ") + b;
                  return s;
                }()) + " (in the file: " + BandList(ListBands(table)) + ")");
  if (fits)
    h.push_back("# Flux column: " + table.fluxColumn + "; quality mask: " +
                QualityMaskName(options.mask) + " (" + std::to_string(maskBits) + ")");
  const std::string errName = table.errorColumn.empty() ? "error" : table.errorColumn;
  if (relative) {
    h.push_back("# Signal: x = flux / median flux" +
                std::string(table.signal == SignalKind::Magnitude ? ", flux = 10^(-0.4 m)" : "") +
                " (column " + table.signalColumn + ")" +
                (hasError ? "; s = error of x (column " + errName + ")" : ""));
  } else if (toMagnitudes) {
    h.push_back("# Signal: x = " + General(zp) + " - 2.5 lg F (column " + table.signalColumn +
                ", zero point " + (table.zeroPoint ? "of the file" : "0") + ")" +
                (hasError ? "; s = 1.0857 sigmaF / F (column " + errName + ")" : ""));
  } else {
    h.push_back("# Signal: x = magnitude (column " + table.signalColumn + ")" +
                (hasError ? "; s = error (column " + errName + ")" : ""));
  }
  if (noError)
    h.push_back("# s = 0 where the file gives no error: " + std::to_string(noError) + " rows");
  h.push_back(std::string("# Flagged rows: ") + (options.dropFlagged ? "dropped" : "kept"));
  h.push_back("# Rows: " + std::to_string(n) + " read, " + std::to_string(rows.size()) + " kept" +
              (otherBands ? ", " + std::to_string(otherBands) + " of other bands" : ""));
  for (const auto& d : out.dropped)
    h.push_back("# Dropped " + std::to_string(d.count) + ": " + d.reason);
  if (who)
    h.push_back(bandAsObserver ? "# Observer column: band" : "# Observer column: observer code");
  for (const auto& m : out.mapping) h.push_back("# Code " + m);
  // The observer code follows x directly, so s stands before x.
  h.push_back(hasError ? "# Columns: t s x observer (column x = 2, column s = 1)"
                       : "# Columns: t x observer");
  // A control character from the file (a lone CR in a band name, say)
  // would end a header line early for the data-file reader.
  for (auto& line : h)
    for (char& c : line)
      if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  return out;
}

namespace {

// Appends Str(v, 0, 6) (with a blank before it unless it comes first)
// without the temporary strings of the general helper: a million rows
// are written in a fraction of the time.
// v with six decimals, as std::to_chars (fixed, 6) writes it, through
// integer arithmetic where that gives the same digits: |v| < 10^9, and the
// scaled value v * 10^6 not so near a half that its rounding error could
// carry it across (ties and near-ties take the general path). False when
// it did not write.
bool AppendSixDecimalsFast(std::string& text, double v) {
  const double a = std::fabs(v);
  if (!(a < 1e9)) return false;
  const double p = a * 1e6;  // below 2^53: its integer part is exact
  const double whole = std::floor(p);
  const double fraction = p - whole;  // exact
  // p carries a relative error of at most 2^-53 against the exact product.
  const double tolerance = p * 4.5e-16 + 1e-300;
  if (std::fabs(fraction - 0.5) <= tolerance) return false;
  auto q = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1u : 0u);
  char buffer[32];
  char* const end = buffer + sizeof buffer;
  char* c = end;
  for (int k = 0; k < 6; ++k, q /= 10) *--c = static_cast<char>('0' + q % 10);
  *--c = '.';
  do {
    *--c = static_cast<char>('0' + q % 10);
    q /= 10;
  } while (q != 0);
  if (std::signbit(v)) *--c = '-';
  text.append(c, end);
  return true;
}

void AppendValue(std::string& text, double v, bool first) {
  if (!first) text += ' ';
  if (AppendSixDecimalsFast(text, v)) return;
  if (!std::isfinite(v)) {
    text += Str(v, 0, 6);
    return;
  }
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
  text.append(buf, r.ptr);
}

}  // namespace

std::string ImportText(const ImportedCurve& curve) {
  std::string text;
  for (const auto& line : curve.header) text += line + "\n";
  text.reserve(text.size() + curve.t.size() * 40);
  const bool error = !curve.s.empty();
  const bool who = !curve.observer.empty();
  for (std::size_t i = 0; i < curve.t.size(); ++i) {
    AppendValue(text, curve.t[i], true);
    if (error) AppendValue(text, curve.s[i], false);
    AppendValue(text, curve.x[i], false);
    if (who && curve.observer[i] >= 0) {
      text += ' ';
      text += curve.codes[curve.observer[i]];
    }
    text += '\n';
  }
  return text;
}

void WriteImport(const ImportedCurve& curve) { WriteFileAtomic(curve.path, ImportText(curve)); }

}  // namespace teril

#include "formats/table_reader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <unordered_map>

#include "formats/detect.h"

namespace teril {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// 2.5 / ln 10: the magnitude error of a relative flux error.
constexpr double kPogson = 1.0857362047581294;
// Magnitudes and errors at or beyond this are sentinels (99.99, -99).
constexpr double kSentinel = 90.0;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool IsMissing(std::string_view cell) {
  return cell.empty() || EqualsNoCase(cell, "nan") || EqualsNoCase(cell, "null") ||
         EqualsNoCase(cell, "na") || EqualsNoCase(cell, "n/a") || cell == "--";
}

// Interned strings (bands, observers): rows come in runs of one value, so
// the last one is tried before the map.
class Interner {
 public:
  explicit Interner(std::vector<std::string>& names) : names_(names) {}
  int Index(std::string_view s) {
    if (last_ >= 0 && names_[last_] == s) return last_;
    auto it = map_.find(s);
    if (it != map_.end()) return last_ = it->second;
    names_.emplace_back(s);
    last_ = static_cast<int>(names_.size()) - 1;
    map_.emplace(names_.back(), last_);
    return last_;
  }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::vector<std::string>& names_;
  std::unordered_map<std::string, int, Hash, std::equal_to<>> map_;
  int last_ = -1;
};

// Which field holds what; -1 where the table has no such column.
struct Plan {
  int time = -1, signal = -1, error = -1, band = -1, observer = -1;
  int fluxForError = -1, fluxError = -1;  // Gaia: the magnitude error from the flux
  int catflags = -1, rejectedPhotometry = -1, rejectedVariability = -1, quality = -1;
  // AAVSO: differential magnitudes ("DIFF") are kept apart from standard
  // ones in a band of their own ("V(DIFF)": no blank, so that it can be
  // named in the dialog), never mixed into one curve.
  int method = -1;
  bool upperLimits = false;  // ASAS-SN: ">" and 99.99 errors are upper limits
  int maxIndex() const {
    int m = -1;
    for (int v : {time, signal, error, band, observer, fluxForError, fluxError, catflags,
                  rejectedPhotometry, rejectedVariability, quality})
      m = std::max(m, v);
    return m;
  }
};

int Column(const TableHeader& h, std::string_view name) {
  for (std::size_t i = 0; i < h.names.size(); ++i)
    if (h.names[i] == name) return static_cast<int>(i);
  return -1;
}

std::string TimeReferenceOf(std::string_view name, std::string_view raw) {
  if (name == "jd") return "time = JD";
  if (name == "mjd") return "time = MJD = JD - 2400000.5";
  if (name == "hjd") return "time = HJD";
  if (name == "bjd") return "time = BJD";
  if (name == "btjd") return "time = BJD_TDB - 2457000";
  return "time = column \"" + std::string(raw) + "\" as given in the file";
}

Plan MakePlan(const TableHeader& h, LightCurveTable& table) {
  Plan p;
  auto name = [&](int i) { return i >= 0 ? h.rawNames[i] : std::string(); };
  switch (h.flavour) {
    case TableFlavour::Ztf:
      p.time = Column(h, "hjd") >= 0 ? Column(h, "hjd") : Column(h, "mjd");
      p.signal = Column(h, "mag");
      p.error = Column(h, "magerr");
      p.band = Column(h, "filtercode");
      p.catflags = Column(h, "catflags");
      break;
    case TableFlavour::AsasSnOld:
      p.time = Column(h, "hjd");
      p.signal = Column(h, "mag");
      p.error = Column(h, "mag_err");
      p.band = Column(h, "filter");
      p.upperLimits = true;
      break;
    case TableFlavour::AsasSnNew:
      p.time = Column(h, "jd");
      p.signal = Column(h, "mag");
      p.error = Column(h, "mag error");
      p.band = Column(h, "filter");
      p.quality = Column(h, "quality");
      p.upperLimits = true;
      break;
    case TableFlavour::Gaia:
      p.time = Column(h, "time");
      p.signal = Column(h, "mag");
      p.band = Column(h, "band");
      p.fluxForError = Column(h, "flux");
      p.fluxError = Column(h, "flux_error");
      p.rejectedPhotometry = Column(h, "rejected_by_photometry");
      p.rejectedVariability = Column(h, "rejected_by_variability");
      break;
    case TableFlavour::AavsoDownload:
      p.time = Column(h, "jd");
      p.signal = Column(h, "magnitude");
      p.error = Column(h, "uncertainty");
      p.band = Column(h, "band");
      p.observer = Column(h, "observer code");
      p.method = Column(h, "measurement method");
      break;
    case TableFlavour::AavsoExtended:
      // Fixed fields: NAME, DATE, MAGNITUDE, MAGERR, FILTER, ...
      p.time = 1;
      p.signal = 2;
      p.error = 3;
      p.band = 4;
      table.timeColumn = "DATE";
      table.signalColumn = "MAGNITUDE";
      table.errorColumn = "MAGERR";
      {
        std::string date = h.dateType.empty() ? std::string("jd") : h.dateType;
        for (char& c : date)
          if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        table.timeReference = "time = " + date;
      }
      return p;
    case TableFlavour::Generic:
    case TableFlavour::SpaceFits:
      p.time = FindColumn(h.names, TimeAliases());
      p.signal = FindColumn(h.names, SignalAliases());
      p.band = FindColumn(h.names, BandAliases());
      p.observer = FindColumn(h.names, ObserverAliases());
      if (p.signal >= 0) {
        const bool flux = h.names[p.signal] == "flux";
        static const std::vector<std::string_view> magErrors = {"magerr", "mag_err", "mag error",
                                                                "e_mag"};
        static const std::vector<std::string_view> fluxErrors = {"flux_err", "flux_error",
                                                                 "flux error", "fluxerr"};
        p.error = FindColumn(h.names, flux ? fluxErrors : magErrors);
        if (p.error < 0) {
          static const std::vector<std::string_view> general = {"err", "error", "sigma",
                                                                "uncertainty"};
          p.error = FindColumn(h.names, general);
        }
      }
      break;
  }
  if (p.time < 0)
    throw FormatError(table.source, h.headerLine, 0,
                      "no time column (time, JD, MJD, HJD, BJD, BTJD, date or t) in the header");
  if (p.signal < 0)
    throw FormatError(table.source, h.headerLine, 0,
                      "no signal column (mag, magnitude or flux) in the header");
  table.timeColumn = name(p.time);
  table.signalColumn = name(p.signal);
  table.errorColumn = p.error >= 0 ? name(p.error) : p.fluxError >= 0 ? name(p.fluxError) : "";
  if (h.names[p.signal] == "flux") table.signal = SignalKind::Flux;
  if (h.flavour == TableFlavour::Gaia)
    table.timeReference = "time = BJD_TCB - 2455197.5";
  else
    table.timeReference = TimeReferenceOf(h.names[p.time], h.rawNames[p.time]);
  return p;
}

class RowParser {
 public:
  RowParser(const LightCurveTable& table, const TableHeader& header)
      : table_(table), header_(header) {}
  void set_line(int line) { line_ = line; }

  // A number, NaN for "no value"; `prefix` receives a leading "<" or ">".
  double Number(std::string_view cell, int column, char* prefix = nullptr) {
    std::string_view s = Trim(cell);
    if (prefix) {
      *prefix = 0;
      if (!s.empty() && (s.front() == '<' || s.front() == '>')) {
        *prefix = s.front();
        s = Trim(s.substr(1));
      }
    }
    if (s.empty()) return kNaN;
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (*first == '+') ++first;
    double v = 0;
    auto r = std::from_chars(first, last, v);
    if (r.ec == std::errc::result_out_of_range) return kNaN;
    if (r.ec != std::errc() || r.ptr != last) {
      if (IsMissing(s)) return kNaN;
      Bad(cell, column, "is not a number");
    }
    if (!std::isfinite(v)) return kNaN;
    return v;
  }

  bool Truth(std::string_view cell, int column) {
    std::string_view s = Trim(cell);
    if (EqualsNoCase(s, "true") || s == "1" || EqualsNoCase(s, "t")) return true;
    if (EqualsNoCase(s, "false") || s == "0" || EqualsNoCase(s, "f") || IsMissing(s)) return false;
    Bad(cell, column, "is neither true nor false");
    return false;
  }

  [[noreturn]] void Bad(std::string_view cell, int column, const char* what) {
    std::string shown(Trim(cell).substr(0, 40));
    for (char& c : shown)
      if (static_cast<unsigned char>(c) < 32) c = '?';
    throw FormatError(table_.source, line_, column + 1,
                      "\"" + shown + "\" in column \"" + ColumnName(column) + "\" " + what);
  }

  std::string ColumnName(int column) const {
    if (column < static_cast<int>(header_.rawNames.size())) return header_.rawNames[column];
    static const char* extended[] = {"NAME", "DATE", "MAGNITUDE", "MAGERR", "FILTER"};
    return column < 5 ? extended[column] : "?";
  }

 private:
  const LightCurveTable& table_;
  const TableHeader& header_;
  int line_ = 0;
};

}  // namespace

LightCurveTable ReadTable(std::string_view text, const std::string& source) {
  LightCurveTable table;
  table.source = source;
  auto found = FindTableHeader(text);
  if (!found)
    throw FormatError(source, 0, 0,
                      "not a table with a header row naming its time and signal columns");
  const TableHeader& header = *found;
  table.flavour = header.flavour;
  const Plan plan = MakePlan(header, table);
  const int needed = plan.maxIndex() + 1;

  Interner bands(table.bandNames), observers(table.observerNames);
  int fixedObserver = -1;
  if (header.flavour == TableFlavour::AavsoExtended && !header.obsCode.empty())
    fixedObserver = observers.Index(header.obsCode);
  const bool hasObserver = plan.observer >= 0 || fixedObserver >= 0;
  const bool hasError = plan.error >= 0 || (plan.fluxError >= 0 && plan.fluxForError >= 0);

  // One row per line at most: the columns are sized once.
  std::size_t lineCount = 1;
  for (const char* p = text.data();
       (p = static_cast<const char*>(std::memchr(p, '\n', text.data() + text.size() - p))) !=
       nullptr;
       ++p)
    ++lineCount;
  table.time.reserve(lineCount);
  table.value.reserve(lineCount);
  table.flags.reserve(lineCount);
  if (hasError) table.error.reserve(lineCount);
  if (plan.band >= 0) table.band.reserve(lineCount);
  if (hasObserver) table.observer.reserve(lineCount);

  RowParser parse(table, header);
  TextLines lines(text);
  std::string_view line;
  std::vector<std::string_view> f;
  // The header row (or, for the extended format, the comment block) is
  // passed over; comment lines may also stand among the data.
  while (lines.number() < header.headerLine && lines.Next(line)) {
  }
  while (lines.Next(line)) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == '#') continue;
    parse.set_line(lines.number());
    SplitFields(line, header.delimiter, f);
    if (static_cast<int>(f.size()) < needed)
      throw FormatError(source, lines.number(), static_cast<int>(f.size()) + 1,
                        "the row has " + std::to_string(f.size()) + " fields; column \"" +
                            parse.ColumnName(static_cast<int>(f.size())) +
                            "\" is missing (a cut or damaged file?)");
    std::uint8_t flags = 0;
    const double time = parse.Number(f[plan.time], plan.time);
    char prefix = 0;
    const double value = parse.Number(f[plan.signal], plan.signal, &prefix);
    double error = kNaN;
    if (plan.error >= 0) {
      error = parse.Number(f[plan.error], plan.error);
    } else if (plan.fluxError >= 0 && plan.fluxForError >= 0) {
      const double flux = parse.Number(f[plan.fluxForError], plan.fluxForError);
      const double ferr = parse.Number(f[plan.fluxError], plan.fluxError);
      if (flux > 0 && ferr >= 0) error = kPogson * ferr / flux;
    }
    if (prefix == '<') flags |= plan.upperLimits ? kFlagUpperLimit : kFlagFainterThan;
    if (prefix == '>') flags |= plan.upperLimits ? kFlagUpperLimit : kFlagFainterThan;
    if (table.signal == SignalKind::Magnitude &&
        (std::fabs(value) >= kSentinel || std::fabs(error) >= kSentinel))
      flags |= plan.upperLimits && error >= kSentinel ? kFlagUpperLimit : kFlagBadMagnitude;
    if (plan.catflags >= 0) {
      const double c = parse.Number(f[plan.catflags], plan.catflags);
      if (c != 0 && !std::isnan(c)) flags |= kFlagCatalog;
    }
    if (plan.rejectedPhotometry >= 0 &&
        parse.Truth(f[plan.rejectedPhotometry], plan.rejectedPhotometry))
      flags |= kFlagRejected;
    if (plan.rejectedVariability >= 0 &&
        parse.Truth(f[plan.rejectedVariability], plan.rejectedVariability))
      flags |= kFlagRejected;
    if (plan.quality >= 0 && Trim(f[plan.quality]) != "G") flags |= kFlagBadQuality;

    table.time.push_back(time);
    table.value.push_back(value);
    if (hasError) table.error.push_back(error);
    if (plan.band >= 0) {
      std::string_view band = Trim(f[plan.band]);
      if (plan.method >= 0 && plan.method < static_cast<int>(f.size()) &&
          Trim(f[plan.method]) == "DIFF") {
        table.band.push_back(bands.Index(std::string(band) + "(DIFF)"));
      } else {
        table.band.push_back(bands.Index(band));
      }
    }
    if (hasObserver) {
      std::string_view code = plan.observer >= 0 ? Trim(f[plan.observer]) : std::string_view();
      table.observer.push_back(plan.observer >= 0 ? (code.empty() ? -1 : observers.Index(code))
                                                  : fixedObserver);
    }
    table.flags.push_back(flags);
  }
  if (table.rows() == 0)
    throw FormatError(source, lines.number(), 0, "the table holds no data rows");
  return table;
}

}  // namespace teril

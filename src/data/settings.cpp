#include "data/settings.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "engine/engine.h"
#include "base/io.h"
#include "base/line_reader.h"
#include "base/numfmt.h"

namespace teril {
namespace {

constexpr char kMarker = static_cast<char>(255);

[[noreturn]] void MarkerError(Engine& engine, const std::string& text) {
  engine.host.MessageBox(text);
  throw ProgramExit{3};
}

// Splits the text after the marker into numbers; stops at the first field
// that is not one.
std::vector<double> Numbers(std::string_view text) {
  std::vector<double> out;
  std::size_t pos = 0, used = 0;
  while (pos < text.size() && out.size() < 6) {
    auto v = ParseLeadingNumber(text.substr(pos), used);
    if (!v) break;
    out.push_back(*v);
    pos += used;
  }
  return out;
}

// A number of the file as an integer in lo..hi (a counter of 1e300 must
// not overflow the conversion).
long long Clamped(double v, long long lo, long long hi) {
  if (!(v > static_cast<double>(lo))) return lo;
  if (!(v < static_cast<double>(hi))) return hi;
  return static_cast<long long>(v);
}

// The settings of c.z; nothing when the file is missing. A wrong marker
// shows `markerError` and ends the program. A c.z that exists but cannot be
// read (a folder, no permission) is named in the log and treated as
// missing, so that it never stops a file run.
std::optional<SettingsValues> ReadSettingsFile(Engine& engine, const std::string& path,
                                               const std::string& markerError) {
  std::optional<std::string> content;
  try {
    content = ReadFileIfExists(path);
  } catch (const IoError& e) {
    engine.LogLine(std::string(e.what()) + "; the settings are not used");
    return std::nullopt;
  }
  if (!content) return std::nullopt;
  SettingsValues values;
  values.epochT0 = engine.eph.epochT0;
  values.period = engine.eph.period;
  if (!ParseSettingsText(*content, values)) MarkerError(engine, markerError);
  return values;
}

void Write(const std::string& path, const SettingsValues& values) {
  WriteFileAtomic(path, SettingsText(values));
}

SettingsValues WithEphemeris(long long counter, const Ephemeris& e) {
  SettingsValues v;
  v.counter = counter;
  v.epochT0 = e.epochT0;
  v.period = e.period;
  v.Q = e.Q;
  v.NNH = e.NNH;
  return v;
}

}  // namespace

bool ParseSettingsText(std::string_view text, SettingsValues& values) {
  if (text.empty() || text[0] != kMarker) return false;
  const std::vector<double> v = Numbers(text.substr(1));
  values.counter = v.size() >= 1 ? Clamped(v[0], -kMaxSettingsCounter, kMaxSettingsCounter) : 0;
  if (v.size() >= 2) values.epochT0 = v[1];
  if (v.size() >= 3) values.period = v[2];
  values.Q = v.size() >= 4 ? v[3] : 0;
  values.NNH = v.size() >= 5 ? static_cast<int>(Clamped(v[4], 1, 500)) : 8;
  // A period of 0 is taken as 1.0; so is one too small for its frequency
  // 1/P to be a number.
  if (values.period == 0 || !std::isfinite(1 / values.period)) values.period = 1.0;
  return true;
}

std::string SettingsText(const SettingsValues& v) {
  std::string line(1, kMarker);
  line += " " + Str(v.counter) + " " + RoundTrip(v.epochT0) + " " + RoundTrip(v.period) + " " +
          RoundTrip(v.Q) + " " + Str(static_cast<long long>(v.NNH)) + "\n";
  return line;
}

std::string SettingsPath(const Engine& engine) { return engine.run.workFolder + "/c.z"; }

std::string EnsureWorkFolder(const std::string& folder) {
  if (folder.empty()) return {};
  std::error_code ec;
  const std::string path = folder + "/c.z";
  if (std::filesystem::exists(path, ec)) return {};
  std::filesystem::create_directories(folder, ec);
  if (ec) return "Cannot make the settings folder \"" + folder + "\": " + ec.message();
  std::string line(1, kMarker);
  line += " 0 0 1 0 8\n";
  try {
    WriteFileAtomic(path, line);
  } catch (const IoError& e) {
    return e.what();
  }
  return {};
}

void ReadSettings(Engine& engine) {
  std::string path = SettingsPath(engine);
  auto read = ReadSettingsFile(
      engine, path,
      std::string("Error of the INI file. Please contact the author\n") + kAuthorContact);
  if (!read) return;
  SettingsValues s = *read;
  Ephemeris& e = engine.eph;
  e.epochT0 = s.epochT0;
  e.period = s.period;
  e.Q = s.Q;
  e.NNH = s.NNH;
  e.frequency = 1 / e.period;
  if (s.counter < kMaxSettingsCounter) s.counter += 1;
  try {
    Write(path, s);
  } catch (const IoError& err) {
    // A settings file that cannot be rewritten (a read-only work folder)
    // only loses the count of runs; the file run goes on.
    engine.LogLine(std::string(err.what()) + "; the run counter is not saved");
  }
}

void WriteSettings(Engine& engine) {
  std::string path = SettingsPath(engine);
  auto read = ReadSettingsFile(
      engine, path, std::string("Error of INI file\rPlease contact the Author: ") + kAuthorContact);
  if (!read) return;
  Write(path, WithEphemeris(read->counter, engine.eph));
}

void ResetEngine(Engine& engine, [[maybe_unused]] bool fromOpen) {
  FileRunState& r = engine.run;
  r.workFolder = engine.options.workFolder;
  if (const std::string why = EnsureWorkFolder(r.workFolder); !why.empty())
    engine.LogLine(why + "; the ephemeris and NNH are not kept after this run");
  r.paramCount = static_cast<int>(r.args.size());
  r.columnX = 1;
  if (r.paramCount >= 2) {
    if (auto c = ParseInteger(r.args[1])) r.columnX = static_cast<int>(*c);
  }
  r.headerLines = 0;
  r.echoPoints = r.paramCount >= 3 && r.args[2] == "-";
  r.flags.Clear();
  engine.StartFile();
  // Open and Re-open keep the orientation of the x axis: it follows the
  // check mark of "Inverse x", which neither of them changes.
  engine.host.SetAppTitle("TERIL");
}

bool ExchangeScratchFiles(Engine& engine) {
  const DataSet& d = engine.data;
  std::string outFolder = engine.run.workFolder + "/qvx";
  std::error_code ec;
  std::filesystem::create_directories(outFolder, ec);
  std::string out;
  out.reserve(static_cast<std::size_t>(d.n) * 14);
  for (int i = 1; i <= d.n; ++i) out += Str(engine.data.t[i], 13, 7) + "\n";
  WriteFileAtomic(outFolder + "/tmp.qvx", out);
  std::string inPath = engine.run.workFolder + "/tmp.qvx";
  auto in = ReadFileIfExists(inPath);
  if (!in) throw IoError(inPath, "No such file or directory");
  std::vector<double> values;
  std::size_t pos = 0, used = 0;
  std::string_view text = *in;
  if (text.starts_with(kUtf8Bom)) pos = kUtf8Bom.size();  // as the other readers do
  while (static_cast<int>(values.size()) < d.n) {
    auto v = ParseLeadingNumber(text.substr(pos), used);
    if (!v) break;
    values.push_back(*v);
    pos += used;
  }
  if (static_cast<int>(values.size()) < d.n) {
    engine.LogLine(inPath + " holds " + Str(static_cast<long long>(values.size())) +
                   " values for " + Str(static_cast<long long>(d.n)) + " points; t unchanged");
    return false;
  }
  for (int i = 1; i <= d.n; ++i) engine.data.t[i] = values[i - 1];
  return true;
}

}  // namespace teril

#include "data/settings.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "engine/engine.h"
#include "base/io.h"
#include "base/numfmt.h"

namespace teril {
namespace {

constexpr char kMarker = static_cast<char>(255);

struct SettingsLine {
  long long counter = 0;
  double epochT0 = 0, period = 1, Q = 0;
  long long NNH = 8;
  bool hasQ = false;
};

[[noreturn]] void MarkerError(Engine& engine, const std::string& text) {
  engine.host.MessageBox(text);
  throw ProgramExit{3};
}

// Splits the text after the marker into numbers; stops at the first field
// that is not one.
std::vector<double> Numbers(std::string_view text) {
  std::vector<double> out;
  std::size_t pos = 0, used = 0;
  while (pos < text.size()) {
    auto v = ParseLeadingNumber(text.substr(pos), used);
    if (!v) break;
    out.push_back(*v);
    pos += used;
  }
  return out;
}

// The numbers after the marker of c.z; nothing when the file is missing.
// A wrong marker shows `markerError` and ends the program.
std::optional<std::vector<double>> ReadSettingsLine(Engine& engine, const std::string& path,
                                                    const std::string& markerError) {
  auto content = ReadFileIfExists(path);
  if (!content) return std::nullopt;
  if (content->empty() || (*content)[0] != kMarker) MarkerError(engine, markerError);
  return Numbers(std::string_view(*content).substr(1));
}

void Write(const std::string& path, const SettingsLine& s, const Ephemeris& e) {
  std::string line(1, kMarker);
  line += " " + Str(s.counter) + " " + RoundTrip(e.epochT0) + " " + RoundTrip(e.period) + " " +
          RoundTrip(e.Q) + " " + Str(static_cast<long long>(e.NNH)) + "\n";
  WriteFileAtomic(path, line);
}

}  // namespace

std::string SettingsPath(const Engine& engine) { return engine.run.workFolder + "/c.z"; }

void EnsureWorkFolder(const std::string& folder) {
  std::error_code ec;
  if (folder.empty() || std::filesystem::exists(folder, ec)) return;
  std::filesystem::create_directories(folder, ec);
  if (ec) return;  // no settings then: the program runs on its defaults
  std::string line(1, kMarker);
  line += " 0 0 1 0 8\n";
  try {
    WriteFileAtomic(folder + "/c.z", line);
  } catch (const IoError&) {
  }
}

void ReadSettings(Engine& engine) {
  std::string path = SettingsPath(engine);
  auto line = ReadSettingsLine(
      engine, path, std::string("Error of the INI file. Please contact the author\n") + kAuthorContact);
  if (!line) return;
  const std::vector<double>& v = *line;
  SettingsLine s;
  Ephemeris& e = engine.eph;
  if (v.size() >= 1) s.counter = static_cast<long long>(v[0]);
  if (v.size() >= 2) e.epochT0 = v[1];
  if (v.size() >= 3) e.period = v[2];
  if (v.size() >= 5) {
    e.Q = v[3];
    e.NNH = static_cast<int>(std::max(-1e9, std::min(1e9, v[4])));
  } else {
    e.Q = 0;
    e.NNH = 8;
  }
  if (e.NNH < 1) e.NNH = 1;
  if (e.NNH > 500) e.NNH = 500;
  if (e.period == 0) e.period = 1.0;
  s.counter += 1;
  Write(path, s, e);
  e.frequency = 1 / e.period;
}

void WriteSettings(Engine& engine) {
  std::string path = SettingsPath(engine);
  auto line = ReadSettingsLine(
      engine, path, std::string("Error of INI file\rPlease contact the Author: ") + kAuthorContact);
  if (!line) return;
  SettingsLine s;
  if (!line->empty()) s.counter = static_cast<long long>((*line)[0]);
  Write(path, s, engine.eph);
}

void ResetEngine(Engine& engine, bool fromOpen) {
  FileRunState& r = engine.run;
  ViewState& v = engine.view;
  r.workFolder = engine.options.workFolder;
  EnsureWorkFolder(r.workFolder);
  r.paramCount = static_cast<int>(r.args.size());
  r.columnX = 1;
  if (r.paramCount >= 2) {
    if (auto c = ParseInteger(r.args[1])) r.columnX = static_cast<int>(*c);
  }
  r.headerLines = 0;
  r.echoPoints = r.paramCount >= 3 && r.args[2] == "-";
  engine.data.phased = false;
  engine.data.weightsLoaded = false;
  r.lineApplied = false;
  r.flags.Clear();
  v.showInterpolation = false;
  v.showFitMarks = false;
  v.invertX = fromOpen ? engine.Checked("Inversex1") : false;
  v.shortMarks = true;
  v.selectedObserver = ObserverCode("   ");
  v.cursorPoint = 1;
  v.savedTMin = 1e32;
  v.mapShift = 0;
  v.leftMark = 0;
  r.rpDeltaT = 50;
  r.lineCoefA = 0;
  r.lineCoefB = 1;
  r.lineCoefC = 0;
  v.mainColor = 14;
  v.cursorColor = 13;
  v.colorIndex3 = 12;
  v.colorIndex4 = 11;
  r.correlationFollowUp = false;
  engine.correlation = CorrelationState();
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

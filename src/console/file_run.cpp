#include "console/file_run.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "base/io.h"
#include "base/line_reader.h"
#include "console/key_loop.h"
#include "base/numfmt.h"
#include "data/data_file.h"
#include "data/settings.h"
#include "data/sort.h"
#include "formats/import_command.h"

namespace teril {

void DeriveOutputNames(const std::string& inputFile, std::string& outputFile,
                       std::string& marksFile) {
  auto dot = inputFile.find('.');
  std::size_t d = dot == std::string::npos ? 0 : dot + 1;  // 1-based position, 0: none
  if (d == 0) {
    outputFile = inputFile + ".$";
    marksFile = inputFile + ".!";
  } else if (d <= 3) {
    outputFile = inputFile;
    outputFile.insert(dot, "$");
    marksFile = inputFile;
    marksFile.insert(dot, "!");
  } else {
    outputFile = inputFile;
    outputFile.back() = '$';
    marksFile = inputFile;
    marksFile.back() = '!';
  }
  if (outputFile.empty()) outputFile = inputFile;
}

std::vector<double> ParseFrequencyList(std::string_view text) {
  std::vector<double> list;
  LineReader lines(text);
  std::string_view line;
  try {
    while (list.size() < kMaxTrialFrequencies && lines.Next(line)) {
      std::size_t used = 0;
      auto v = ParseLeadingNumber(line, used);
      if (!v) continue;
      // A frequency whose period 1/f would overflow cannot be used: it is
      // kept as 0, which the stepping keys pass over.
      list.push_back(std::isfinite(1 / *v) ? *v : 0.0);
    }
  } catch (const LineTooLong&) {
    // The numbers before the overlong line are kept.
  }
  return list;
}

void ReadFrequencyList(Engine& engine) {
  TrialFrequencies& r = engine.trial;
  r.frequencyList.clear();
  r.frequencyIndex = 0;
  std::optional<std::string> content;
  try {
    content = ReadFileIfExists("!");
  } catch (const IoError& e) {
    engine.LogLine(std::string(e.what()) + "; no trial frequencies");
    return;
  }
  if (!content) return;
  r.frequencyList = ParseFrequencyList(*content);
  engine.LogLine("jp=");
  engine.LogLine(static_cast<int>(r.frequencyList.size()));
}

namespace {

// The lines of a file, read in blocks.
LineReader FileLines(InputFile& file) {
  return LineReader([&file](char* buffer, std::size_t size) { return file.Read(buffer, size); });
}

}  // namespace

void LoadDataFile(Engine& engine) {
  FileRunState& r = engine.run;
  InputFile file(r.inputFile);
  LineReader lines = FileLines(file);
  ReadColumns columns;
  columns.columnX = r.columnX;
  columns.headerLines = r.headerLines;
  // Errors wanted with the points are read in the same pass where they can be.
  if (engine.data.weightsLoaded) columns.columnS = r.columnS;
  EchoPoint echo;
  if (r.echoPoints) {
    echo = [&engine](int i, double t, double x) {
      engine.host.StdOut(Str(static_cast<long long>(i)) + " " + General(t) + " " + General(x));
    };
  }
  DataSet& d = engine.data;
  try {
    ParseDataLines(lines, r.inputFile, d, columns, echo);
  } catch (const DataFormatError&) {
    d.headerText = columns.headerText;
    if (columns.columnX >= 0) engine.timeSystem.StartFile();
    r.columnX = columns.columnX;
    r.headerLines = columns.headerLines;
    for (int i = 1; i <= d.n; ++i) d.t0[i] = d.t[i];
    r.countAtLoad = d.n;
    r.tDecimalsAtLoad = d.tDecimals;
    r.xDecimalsAtLoad = d.xDecimals;
    throw;
  } catch (const IoError&) {
    // A read error half-way: what was read is not the file.
    d.n = 0;
    r.countAtLoad = 0;
    throw;
  }
  r.columnX = columns.columnX;
  r.headerLines = columns.headerLines;
  d.headerText = columns.headerText;
  // The times read from the file are in the file's own system again; a
  // negative column keeps the times of the previous load and their system.
  if (columns.columnX >= 0) engine.timeSystem.StartFile();
  if (!columns.note.empty()) engine.LogLine(columns.note);
  // A reload (other header lines, another column, the file again) reads the
  // points afresh; errors read before belong to the old points, so they are
  // read again with the new ones, before a sort takes them along.
  if (d.weightsLoaded && !columns.s.empty()) {
    std::copy(columns.s.begin(), columns.s.end(), d.s.begin() + 1);
  } else if (d.weightsLoaded) {
    try {
      ReadSColumn(engine);
    } catch (const DataFormatError& err) {
      engine.LogLine(err.what());
      ParseSColumn({}, r.inputFile, d, 0, 0);
      d.weightsLoaded = false;
    }
  }
  if (int last = LastUnsortedIndex(d); last > 0) {
    d.phased = true;
    engine.LogLine("Unsorted! (");
    engine.LogLine(last);
    engine.console.SetPrompt(") Press Y to sort (t,x) or any key to continue");
    char key = 0;
    engine.console.ReadKey(key);
    if (key == 'Y' || key == 'y') ShellSortByTime(d);
  }
  for (int i = 1; i <= d.n; ++i) d.t0[i] = d.t[i];
  r.countAtLoad = d.n;
  r.tDecimalsAtLoad = d.tDecimals;
  r.xDecimalsAtLoad = d.xDecimals;
}

void ReadSColumn(Engine& engine) {
  FileRunState& r = engine.run;
  if (r.columnS > 0) {
    InputFile file(r.inputFile);
    LineReader lines = FileLines(file);
    ParseSColumnLines(lines, r.inputFile, engine.data, r.columnS, r.headerLines);
  } else {
    ParseSColumn({}, r.inputFile, engine.data, 0, 0);
  }
  engine.data.weightsLoaded = true;
}

namespace {

// Asks for a file name; an empty answer ends the file run.
bool AskFileName(Engine& engine) {
  engine.console.SetPrompt("Input FileName (Enter to Quit)   >");
  engine.LogLine("Input FileName (Enter to Quit)   >");
  engine.run.inputFile = engine.console.ReadText();
  return !engine.run.inputFile.empty();
}

// Steps 2 to 7 of the start of a file run. Returns false when the run ends.
bool StartRun(Engine& engine, const std::string& path) {
  FileRunState& r = engine.run;
  ReadSettings(engine);
  r.outputFile.clear();
  r.inputFile = FileNamePart(path);
  r.runAction = RunAction::None;
  if (r.inputFile.empty()) {
    if (r.paramCount > 0) return false;
    if (!AskFileName(engine)) return false;
  }
  // A third parameter other than "=" names the output file; "-" asks for
  // the echo of the loaded points and leaves the names derived.
  if (r.paramCount >= 3 && r.args[2] != "=" && r.args[2] != "-") {
    r.outputFile = r.args[2];
  } else {
    DeriveOutputNames(r.inputFile, r.outputFile, r.marksFile);
  }
  if (r.outputFile.empty()) r.outputFile = r.inputFile;
  engine.LogLine("  InputFile=");
  engine.LogLine(r.inputFile);
  engine.LogLine("  OutFile=");
  engine.LogLine(r.outputFile);
  if (r.paramCount > 3) {
    if (auto h = ParseInteger(r.args[3])) r.headerLines = static_cast<int>(std::max(0LL, *h));
  }
  return true;
}

// Why the data file cannot be opened, or nothing when it can: a missing
// name gets the old " !!!  File not found !!!" line, a folder or a file
// that may not be read its own reason.
std::optional<std::string> CannotOpen(const std::string& name) {
  // A name the system cannot look up at all (too long, a loop of links, a
  // folder on the way that may not be entered) is not found either.
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::path(name), ec)) return " !!!  File not found !!!\a";
  try {
    InputFile probe(name);
  } catch (const IoError& e) {
    return std::string(" !!!  ") + e.what() + " !!!\a";
  }
  return std::nullopt;
}

// A downloaded light curve (a survey table, an AAVSO file, a FITS light
// curve) is imported into a data file of the program's own, which the run
// then reads. Returns false when the import was refused or cancelled.
// `fromStart`: the run starts on the file (not a reload with another x
// column), so the columns an imported data file names are taken.
bool ImportForeignFile(Engine& engine, bool fromStart) {
  FileRunState& r = engine.run;
  const ImportOutcome outcome = ImportIfForeign(engine, r.inputFile);
  if (outcome.failed) return false;
  if (outcome.imported) {
    r.inputFile = outcome.dataFile;
    // A third parameter that names the output file keeps it.
    if (!(r.paramCount >= 3 && r.args[2] != "=" && r.args[2] != "-"))
      DeriveOutputNames(r.inputFile, r.outputFile, r.marksFile);
    engine.LogLine("  InputFile=");
    engine.LogLine(r.inputFile);
  }
  // The columns an imported data file names, unless the command line chose.
  if (outcome.columnX > 0 && (outcome.imported || (fromStart && r.paramCount < 2))) {
    r.columnX = outcome.columnX;
    r.columnS = outcome.columnS;
    if (r.columnS > 0) engine.data.weightsLoaded = true;  // read with the points
  }
  return true;
}

// Steps 8 to 10: open and load. Returns false when the run ends.
bool OpenAndLoad(Engine& engine, bool fromStart) {
  FileRunState& r = engine.run;
  bool frequenciesRead = false;
  for (;;) {
    std::optional<std::string> problem = CannotOpen(r.inputFile);
    if (!problem) {
      if (!frequenciesRead) ReadFrequencyList(engine);
      frequenciesRead = true;
      try {
        if (!ImportForeignFile(engine, fromStart)) return false;
        LoadDataFile(engine);
        break;
      } catch (const DataFormatError& e) {
        engine.LogLine(e.what());
        if (e.problem() == LineProblem::DecimalComma ||
            e.problem() == LineProblem::CommaSeparated || e.problem() == LineProblem::NotText) {
          engine.LogLine(
              "The file run ends. Save the file as plain text with a decimal point "
              "and blanks between the values, then open it again.");
        } else {
          engine.LogLine(
              "The file run ends. Put the current point after the bad line and "
              "press B to skip the lines before it.");
        }
        engine.host.MessageBox(e.what());
        return false;
      } catch (const IoError& e) {
        // The file went away or became unreadable after it was chosen.
        problem = std::string(" !!!  ") + e.what() + " !!!\a";
      }
    }
    engine.LogLine(*problem);
    engine.host.Beep();
    if (!AskFileName(engine)) return false;
  }
  if (engine.data.n == 0) {
    engine.LogLine("The file  \"");
    engine.LogLine(r.inputFile);
    engine.LogLine("\"  contains NO data");
    return false;
  }
  return true;
}

}  // namespace

void RunDataFile(Engine& engine, const std::string& path) {
  engine.console.SetRunTitle(path);
  // After an import the run goes on with the data file it wrote: a reload
  // reads that file, not the source again.
  std::string runPath = path;
  bool restart = true;
  for (;;) {
    if (restart && !StartRun(engine, runPath)) break;
    if (!OpenAndLoad(engine, restart)) break;
    if (engine.run.inputFile != FileNamePart(runPath)) runPath = engine.run.inputFile;
    engine.view.firstVisible = 1;
    engine.view.lastVisible = engine.data.n;
    RunEnd end = RunKeyLoop(engine);
    if (end == RunEnd::Restart) {
      restart = true;
      continue;
    }
    if (end == RunEnd::Reload) {
      restart = false;
      continue;
    }
    break;
  }
  EndFileRun(engine);
}

}  // namespace teril

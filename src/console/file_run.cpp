#include "console/file_run.h"

#include "engine/engine.h"
#include "base/io.h"
#include "console/key_loop.h"
#include "base/numfmt.h"
#include "data/data_file.h"
#include "data/settings.h"
#include "data/sort.h"

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

void ReadFrequencyList(Engine& engine) {
  FileRunState& r = engine.run;
  r.frequencyList.clear();
  r.frequencyIndex = 0;
  auto content = ReadFileIfExists("!");
  if (!content) return;
  std::string_view text = *content;
  std::size_t pos = 0;
  while (pos < text.size() && r.frequencyList.size() < 50) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::size_t used = 0;
    if (auto v = ParseLeadingNumber(text.substr(pos, end - pos), used))
      r.frequencyList.push_back(*v);
    pos = end + 1;
  }
  engine.LogLine("jp=");
  engine.LogLine(static_cast<int>(r.frequencyList.size()));
}

bool LoadDataFile(Engine& engine) {
  FileRunState& r = engine.run;
  auto content = ReadFileIfExists(r.inputFile);
  if (!content) return false;
  ReadColumns columns{r.columnX, r.headerLines};
  EchoPoint echo;
  if (r.echoPoints) {
    echo = [&engine](int i, double t, double x) {
      engine.host.StdOut(Str(static_cast<long long>(i)) + " " + General(t) + " " + General(x));
    };
  }
  DataSet& d = engine.data;
  try {
    ParseDataText(*content, r.inputFile, d, columns, echo);
  } catch (const DataFormatError&) {
    r.columnX = columns.columnX;
    r.headerLines = columns.headerLines;
    for (int i = 1; i <= d.n; ++i) d.t0[i] = d.t[i];
    r.countAtLoad = d.n;
    r.tDecimalsAtLoad = d.tDecimals;
    r.xDecimalsAtLoad = d.xDecimals;
    throw;
  }
  r.columnX = columns.columnX;
  r.headerLines = columns.headerLines;
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
  return true;
}

void ReadSColumn(Engine& engine) {
  FileRunState& r = engine.run;
  if (r.columnS > 0) {
    auto content = ReadFileIfExists(r.inputFile);
    if (!content) throw IoError(r.inputFile, "No such file or directory");
    ParseSColumn(*content, r.inputFile, engine.data, r.columnS, r.headerLines);
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
  r.runAction = 0;
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

// Steps 8 to 10: open and load. Returns false when the run ends.
bool OpenAndLoad(Engine& engine) {
  FileRunState& r = engine.run;
  for (;;) {
    if (FileExists(r.inputFile)) break;
    engine.LogLine(" !!!  File not found !!!\a");
    engine.host.Beep();
    if (!AskFileName(engine)) return false;
  }
  ReadFrequencyList(engine);
  try {
    LoadDataFile(engine);
  } catch (const DataFormatError& e) {
    engine.LogLine(e.what());
    engine.LogLine("The file run ends. Put the current point after the bad line and press B "
                   "to skip the lines before it.");
    engine.host.MessageBox(e.what());
    return false;
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
  bool restart = true;
  for (;;) {
    if (restart && !StartRun(engine, path)) break;
    if (!OpenAndLoad(engine)) break;
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

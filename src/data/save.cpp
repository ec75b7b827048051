#include "data/save.h"

#include <algorithm>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/history_command.h"
#include "engine/engine.h"

namespace teril {
std::string SavedLine(const DataSet& d, int i) {
  const int tw = d.tWidth, td = d.tDecimals, xw = d.xWidth, xd = d.xDecimals;
  const std::string obs = d.observer[i].str();
  std::string line;
  if (d.phased) {
    line = Str(d.t[i], tw + 2, td + 2) + Joined(d.x[i], xw, xd) + " ";
    if (d.weightsLoaded) line += Str(d.s[i], xw, xd) + " ";
    line += Str(d.t0[i], tw, td) + Joined(d.t[i] + 1, tw + 2, td + 2) + " " + obs;
  } else {
    line = Str(d.t[i], tw, td) + Joined(d.x[i], xw, xd) + " ";
    if (d.weightsLoaded) line += Str(d.s[i], xw, xd) + " ";
    line += obs;
  }
  return line;
}

void SaveDataSet(Engine& engine) {
  const DataSet& d = engine.data;
  engine.LogLine("LOG>>Saving file to " + engine.run.outputFile);
  std::string out;
  for (int i = 1; i <= d.n; ++i) out += SavedLine(d, i) + "\n";
  WriteFileAtomic(engine.run.outputFile, out);
  engine.console.FileWritten(engine.run.outputFile);
  engine.LogLine("LOG>>Save complete!");
  engine.run.modified = false;
  NoteSaved(engine);
}

std::string VisibleFileName(const std::string& outputFile, int firstVisible, int lastVisible) {
  std::string name = FileNamePart(outputFile);
  auto dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name + "_" + Str(static_cast<long long>(firstVisible)) + "_" +
         Str(static_cast<long long>(lastVisible)) + ".dat";
}

std::string SaveVisible(Engine& engine) {
  const DataSet& d = engine.data;
  const ViewState& v = engine.view;
  const std::string name = VisibleFileName(engine.run.outputFile, v.firstVisible, v.lastVisible);
  const int tw = d.tWidth, td = d.tDecimals, xw = d.xWidth, xd = d.xDecimals;
  std::string out;
  for (int i = std::max(v.firstVisible, 1); i <= std::min(v.lastVisible, d.n); ++i) {
    if (d.t[i] < v.tMin || d.t[i] > v.tMax) continue;
    const std::string obs = d.observer[i].str();
    std::string line = Str(d.t[i], tw, td) + Joined(d.x[i], xw, xd) + " ";
    if (d.phased) line += Str(d.t0[i], tw, td) + " ";
    line += obs;
    if (d.weightsLoaded) line += Joined(d.s[i], xw, xd) + " " + obs;
    out += line + "\n";
  }
  WriteFileAtomic(name, out);
  engine.console.FileWritten(name);
  engine.LogLine(">>Save of visible complete! File=" + name);
  engine.run.modified = false;
  NoteSaved(engine);
  return name;
}

}  // namespace teril

#include "plot/export_command.h"

#include <string>
#include <vector>

#include "base/numfmt.h"
#include "console/console_host.h"
#include "console/dialogs.h"
#include "engine/engine.h"
#include "plot/canvas.h"

namespace teril {

namespace {

constexpr long long kMaxWidth = 16384;

bool EndsWithPng(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == ".png";
}

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

void Refuse(Engine& e, const std::string& text) {
  e.LogLine(text);
  e.host.MessageBox(text);
}

}  // namespace

void ExportPlotCommand(Engine& e) {
  Canvas* canvas = e.canvas;
  if (!canvas) {
    Refuse(e, "There is no plot to export");
    return;
  }
  auto widthOk = [](const std::string& text) {
    auto v = ParseInteger(text);
    return v && *v >= 1 && *v <= kMaxWidth;
  };
  std::vector<DialogField> fields{
      {"File", "plot.png", "a name ending in .png, .svg or .pdf"},
      {"Width", Str(2LL * canvas->Width()), "pixels across, for a PNG picture", widthOk}};
  fields[1].used = [](const std::vector<DialogField>& f) {
    return EndsWithPng(Trimmed(f[0].value));
  };
  if (!e.dialogs.EditFields("ExportPlot", "Export plot", fields)) return;
  const std::string path = Trimmed(fields[0].value);
  if (path.empty()) {
    Refuse(e, "Export plot: no file name was given");
    return;
  }
  const auto width = ParseInteger(Trimmed(fields[1].value));
  if (!width || *width < 1 || *width > kMaxWidth) {
    Refuse(e, "Export plot: the width \"" + Trimmed(fields[1].value) +
                  "\" is not a whole number of pixels from 1 to " + Str(kMaxWidth));
    return;
  }
  std::string error;
  if (!canvas->ExportPicture(path, static_cast<int>(*width), error)) {
    Refuse(e, error);
    return;
  }
  e.LogLine("LOG>>Plot exported to " + path);
}

}  // namespace teril

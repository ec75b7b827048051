// The File menu (opening, the columns read, saving, the picture, exit) and
// the menu bar's own Exit.
#include <algorithm>
#include <cctype>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "console/menus.h"
#include "data/editing.h"
#include "data/save.h"
#include "engine/engine.h"
#include "plot/export_command.h"

namespace teril {
namespace {

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), s.end() - static_cast<long>(tail.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

// File > Open and File > Re-open. Between file runs the file is opened at
// once; during a run it is remembered, the run is closed with "~G", and
// OpenDataFile opens it when RunDataFile has returned.
void OpenCommand(Engine& e, bool reopen) {
  if (e.run.inFileRun && !WaitsForKey(e)) return;
  std::string path = e.run.lastOpenedPath;
  if (!reopen) {
    auto chosen = e.dialogs.OpenFile(kOpenTitle, kOpenFilter);
    if (!chosen) return;
    path = *chosen;
  }
  if (e.run.inFileRun) {
    // Closing the run must not lose the edits in memory without a word, as
    // the end of a run with Esc would not. A save that fails ends the
    // command here, before the run is closed; Cancel leaves the run as it is.
    if (e.run.modified) {
      const auto choice = e.dialogs.SaveChanges(
          e.run.outputFile,
          "The data set has unsaved changes. Save them to " + e.run.outputFile +
              (reopen ? " before the file is read again?" : " before another file is opened?"));
      if (choice == Dialogs::SaveChoice::Cancel) return;
      if (choice == Dialogs::SaveChoice::Save) SaveDataSet(e);
    }
    // "~G" must reach the key loop as it is, not as the key after a step.
    e.run.deferRescale = false;
    e.run.openPending = true;
    e.run.reopenPending = reopen;
    e.run.pendingPath = path;
    e.console.InjectKey("~G");
    return;
  }
  OpenDataFile(e, path, reopen);
}

void SaveImage(Engine& e) {
  auto chosen = e.dialogs.SaveFile(kImageTitle, kImageFilter, "");
  if (!chosen) return;
  std::string name = *chosen;
  if (!EndsWithNoCase(name, ".bmp")) name += ".bmp";
  Canvas* c = e.canvas;
  if (!c || !c->SaveRect(0, 0, c->Width(), c->Height(), c->Width(), c->Height(), name))
    throw IoError(name, "the picture cannot be written");
  e.LogLine("LOG>>Image saved to " + name);
}

void AskColumnX(Engine& e) {
  std::string a =
      e.host.InputBox("Column x", "Columnx", Str(static_cast<long long>(e.run.columnX)));
  if (auto v = IntegerAnswer(a, -1000, 1000)) e.run.columnX = *v;
  e.console.InjectKey("C");
}

void AskColumnS(Engine& e) {
  std::string a = e.host.InputBox("Column s", "Column s", "0");
  if (auto v = IntegerAnswer(a, 0, 1000)) e.run.columnS = *v;
  e.console.InjectKey("K");
}

void SwapXSAndShow(Engine& e) {
  e.checks.swapXS = !e.checks.swapXS;
  SwapXS(e);
  e.console.InjectKey("#");  // show the exchanged values
}

void SaveAs(Engine& e) {
  auto chosen = e.dialogs.SaveFile(kSaveAsTitle, kSaveAsFilter, ".dat");
  if (!chosen) return;
  e.run.outputFile = *chosen;
  e.console.InjectKey("~2");
}

void Exit(Engine&) { throw ProgramExit{0}; }

}  // namespace

std::vector<NamedCommand> FileMenuCommands() {
  return {
      {.name = "Open",
       .menu = "File",
       .caption = "Open",
       .shortcut = "Ctrl+O",
       .handler = [](Engine& e) { OpenCommand(e, false); },
       .action = true,
       .itemName = "Open1"},
      {.name = "ReOpen",
       .menu = "File",
       .caption = "Re-open",
       .shortcut = "Shift+R",
       .handler = [](Engine& e) { OpenCommand(e, true); },
       .action = true,
       .itemName = "Reopen1"},
      {.name = "Close",
       .menu = "File",
       .caption = "Close",
       .handler = SendKey("~G"),
       .action = true},
      {.name = "Numofcl",
       .menu = "File",
       .caption = "Number of column x",
       .handler = WhenWaiting(AskColumnX),
       .action = true,
       .itemName = "Numberofcolumns1"},
      {.name = "Ncols1",
       .menu = "File",
       .caption = "Number of column s",
       .handler = WhenWaiting(AskColumnS),
       .visible = false},
      {.name = "Swaptx1",
       .menu = "File",
       .caption = "Swap t<->x",
       .handler = ToggleAndSend(&MenuChecks::swapTX, "\t"),
       .check = &MenuChecks::swapTX},
      {.name = "Swapxs1",
       .menu = "File",
       .caption = "Swap x<->s",
       .handler = WhenWaiting(SwapXSAndShow),
       .visible = false,
       .check = &MenuChecks::swapXS},
      {.name = "Save",
       .menu = "File",
       .caption = "Save",
       .shortcut = "F2",
       .handler = SendKey("~2"),
       .action = true,
       .itemName = "Save1"},
      {.name = "SaveAs",
       .menu = "File",
       .caption = "Save as...",
       .shortcut = "F3",
       .handler = WhenWaiting(SaveAs),
       .action = true,
       .itemName = "Saveas1"},
      {.name = "SaveVis",
       .menu = "File",
       .caption = "Save Image",
       .shortcut = "Shift+F2",
       .handler = SaveImage,
       .action = true,
       .itemName = "Savevisible1"},
      {.name = "ExportPlot1",
       .menu = "File",
       .caption = "Export plot...",
       .handler = ExportPlotCommand,
       .toolTip = "The plot as a PNG, SVG or PDF file, drawn sharp at the size asked for"},
      {.name = "Savevis1",
       .menu = "File",
       .caption = "Save visible",
       .shortcut = "Ctrl+F2",
       .handler = SendKey("~1")},
      {.name = "ExitAct",
       .menu = "File",
       .caption = "Exit",
       .shortcut = "Alt+X",
       .handler = Exit,
       .action = true,
       .itemName = "Exit2"},
      {.name = "Exit1", .menu = "Exit", .caption = "Exit", .handler = Exit},
  };
}

}  // namespace teril

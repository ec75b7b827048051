#include "console/commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <system_error>

#include "engine/engine.h"
#include "console/file_run.h"
#include "base/io.h"
#include "base/numfmt.h"
#include "data/editing.h"
#include "data/save.h"
#include "data/settings.h"
#include "extrema/approximation_commands.h"
#include "plot/cursor.h"
#include "plot/marks.h"
#include "plot/view.h"

namespace teril {
namespace {

using Handler = std::function<void(Engine&)>;

Handler Send(const char* key) { return SendKey(key); }

// Toggles the item's check mark and sends its key.
Handler ToggleAndSend(bool MenuChecks::* mark, const char* key) {
  return WhenWaiting([mark, k = std::string(key)](Engine& e) {
    e.checks.*mark = !(e.checks.*mark);
    e.console.InjectKey(k);
  });
}

// An integer typed into an input box, when it lies in lo..hi.
std::optional<int> IntegerAnswer(const std::string& text, long long lo, long long hi) {
  auto v = ParseInteger(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return static_cast<int>(*v);
}

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
    // command here, before the run is closed.
    if (e.run.modified &&
        e.dialogs.YesNo("The data set has unsaved changes. Save them to " + e.run.outputFile +
                        (reopen ? " before the file is read again?"
                                : " before another file is opened?")))
      SaveDataSet(e);
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

// View > Print Precision: the print formats of t and x.
void PrintPrecision(Engine& e) {
  DataSet& d = e.data;
  std::vector<DialogField> fields{{"time width", Str(static_cast<long long>(d.tWidth))},
                                  {"time decimals", Str(static_cast<long long>(d.tDecimals))},
                                  {"signal width", Str(static_cast<long long>(d.xWidth))},
                                  {"signal decimals", Str(static_cast<long long>(d.xDecimals))}};
  if (!e.dialogs.EditFields("Form2", "Print Precision", fields)) return;
  // A field that is not an integer in a sensible range leaves its value:
  // a width of millions would make every saved line that long.
  if (auto v = IntegerAnswer(fields[0].value, 1, 60)) d.tWidth = *v;
  if (auto v = IntegerAnswer(fields[1].value, 0, 30)) d.tDecimals = *v;
  if (auto v = IntegerAnswer(fields[2].value, 1, 60)) d.xWidth = *v;
  if (auto v = IntegerAnswer(fields[3].value, 0, 30)) d.xDecimals = *v;
  e.console.InjectKey("#");
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

void ChangeNNH(Engine& e) {
  std::string answer = e.host.InputBox("NNH", "NNH:", Str(static_cast<long long>(e.eph.NNH)));
  e.eph.NNH = IntegerAnswer(answer, 1, 500).value_or(500);
  e.LogLine("NNH is now=" + Str(static_cast<long long>(e.eph.NNH)) + " from " + "500");
  WriteSettings(e);
}

// Inserts `c` after the entry named by c.after, or else after the last
// entry of its menu so far (at the end when its menu has none yet).
void Place(std::vector<NamedCommand>& list, NamedCommand c) {
  auto at = list.end();
  if (!c.after.empty()) {
    auto anchor = std::find_if(list.begin(), list.end(),
                               [&](const NamedCommand& x) { return x.name == c.after; });
    if (anchor == list.end()) throw std::logic_error("registry: no entry named " + c.after);
    at = anchor + 1;
  } else {
    for (auto it = list.begin(); it != list.end(); ++it)
      if (it->menu == c.menu) at = it + 1;
  }
  list.insert(at, std::move(c));
}

std::vector<NamedCommand> BuildRegistry() {
  std::vector<NamedCommand> list;
  auto add = [&list](const char* name, const char* menu, const char* caption, const char* shortcut,
                     Handler h) -> NamedCommand& {
    NamedCommand c;
    c.name = name;
    c.menu = menu;
    c.caption = caption;
    c.shortcut = shortcut;
    c.handler = std::move(h);
    list.push_back(std::move(c));
    return list.back();
  };
  // An entry of the action list, shown in a menu under the item name `item`.
  auto addAction = [&add](const char* item, const char* name, const char* menu, const char* caption,
                          const char* shortcut, Handler h) -> NamedCommand& {
    NamedCommand& c = add(name, menu, caption, shortcut, std::move(h));
    c.action = true;
    c.itemName = item;
    return c;
  };

  // File
  addAction("Open1", "Open", "File", "Open", "Ctrl+O", [](Engine& e) { OpenCommand(e, false); });
  addAction("Reopen1", "ReOpen", "File", "Re-open", "Shift+R",
            [](Engine& e) { OpenCommand(e, true); });
  add("Close", "File", "Close", "", Send("~G")).action = true;
  addAction(
      "Numberofcolumns1", "Numofcl", "File", "Number of column x", "", WhenWaiting([](Engine& e) {
        std::string a =
            e.host.InputBox("Column x", "Columnx", Str(static_cast<long long>(e.run.columnX)));
        if (auto v = IntegerAnswer(a, -1000, 1000)) e.run.columnX = *v;
        e.console.InjectKey("C");
      }));
  add("Ncols1", "File", "Number of column s", "", WhenWaiting([](Engine& e) {
        std::string a = e.host.InputBox("Column s", "Column s", "0");
        if (auto v = IntegerAnswer(a, 0, 1000)) e.run.columnS = *v;
        e.console.InjectKey("K");
      }))
      .visible = false;
  add("Swaptx1", "File", "Swap t<->x", "", ToggleAndSend(&MenuChecks::swapTX, "\t")).check =
      &MenuChecks::swapTX;
  {
    auto& c = add("Swapxs1", "File", "Swap x<->s", "", WhenWaiting([](Engine& e) {
                    e.checks.swapXS = !e.checks.swapXS;
                    SwapXS(e);
                    e.console.InjectKey("#");  // show the exchanged values
                  }));
    c.check = &MenuChecks::swapXS;
    c.visible = false;
  }
  addAction("Save1", "Save", "File", "Save", "F2", Send("~2"));
  addAction("Saveas1", "SaveAs", "File", "Save as...", "F3", WhenWaiting([](Engine& e) {
              auto chosen = e.dialogs.SaveFile(kSaveAsTitle, kSaveAsFilter, ".dat");
              if (!chosen) return;
              e.run.outputFile = *chosen;
              e.console.InjectKey("~2");
            }));
  addAction("Savevisible1", "SaveVis", "File", "Save Image", "Shift+F2", SaveImage);
  add("Savevis1", "File", "Save visible", "Ctrl+F2", Send("~1"));
  addAction("Exit2", "ExitAct", "File", "Exit", "Alt+X", [](Engine&) { throw ProgramExit{0}; });

  // Edit
  addAction("Delete1", "Delete", "Edit", "Delete current point", "Del", WhenWaiting([](Engine& e) {
              DeleteCurrentPoint(e);
              e.console.InjectKey("#");
            }));
  addAction("DeleteBadPoints1", "DeleteBad", "Edit", "Delete bad points (same level)", "Ctrl+Del",
            Send(")"));
  {
    auto& c = add("Interpolate", "Edit", "Interpolate current point", "V", Send("QI"));
    c.action = true;
    c.visible = false;
    c.itemName = "Interpolate1";
  }
  add("Sort1", "Edit", "Sort", "", WhenWaiting([](Engine& e) {
        SortByTime(e);
        e.checks.sorted = true;
        e.console.InjectKey("#");
      }))
      .check = &MenuChecks::sorted;
  add("Average1", "Edit", "Average for same times", "",
      WhenWaiting([](Engine& e) { AverageSameTimes(e); }));
  add("DeleteCurrentAuthor1", "Edit", "Delete Current Author", "Ctrl+D", WhenWaiting([](Engine& e) {
        DeleteObserverPoints(e);
        e.console.InjectKey("#");
      }));

  // Navigate
  add("Home1", "Navigate", "First at screen", "Home", Send("~H"));
  add("End1", "Navigate", "Last at screen", "End", Send("~E"));
  addAction("Next1", "Next", "Navigate", "Next", "Right", Send("3"));
  addAction("Prev1", "Prev", "Navigate", "Prev", "Left", Send("1"));
  addAction("ScrollLeft1", "ScrollLeft", "Navigate", "ScrollLeft", "Ctrl+Left", Send("~6"));
  addAction("ScrollRight1", "ScrollRight", "Navigate", "ScrollRight", "Ctrl+Right", Send("~9"));
  addAction("op1", "Top", "Navigate", "Top", "Up", WhenWaiting(TopClick));
  addAction("Bottom1", "Bottom", "Navigate", "Bottom", "Down", WhenWaiting(BottomClick));
  {
    auto& c = add("N2D", "Navigate", "2D search", "Ctrl+A",
                  [](Engine& e) { e.checks.search2D = !e.checks.search2D; });
    c.check = &MenuChecks::search2D;
    c.visible = false;
  }
  add("MarkLeft2", "Navigate", "Mark &Left", "F7", WhenWaiting(MarkLeft));
  add("MarkRight2", "Navigate", "Mark Right", "F8", WhenWaiting(MarkRight));

  // View
  addAction("ZoomIn2", "ZoomIn", "View", "ZoomIn      +", "", Send("+"));
  addAction("ZoomOut2", "ZoomOut", "View", "ZoomOut    -", "", Send("-"));
  addAction("Center1", "CenterDataPoint", "View", "Center    ", "Ctrl+E", Send("E"));
  addAction("Refresh1", "Refresh", "View", "Refresh", "", Send("#"));
  {
    auto& c = add("Phase", "View", "Phase", "F", WhenWaiting([](Engine& e) {
                    e.checks.phase = !e.data.phased;
                    e.console.InjectKey("F");
                  }));
    c.check = &MenuChecks::phase;
    c.visible = false;
    c.action = true;
    c.itemName = "Phase1";
  }
  {
    auto& c = add("HintPos", "View", "Hint", "", HintClick);
    c.check = &MenuChecks::hint;
    c.action = true;
    c.itemName = "Hint1";
  }
  add("Inversex1", "View", "Inverse x", "Ctrl+U", InverseXClick).check = &MenuChecks::inverseX;
  add("LeftEdge", "View", "Left Edge", "Ctrl+F7", Send("~&"));
  add("RightEdge1", "View", "Right Edge", "Ctrl+F8", Send("~*"));
  add("RestoreInterval1", "View", "Restore Interval ", "Ctrl+R", Send("R"));
  add("F2PrPr1", "View", "Print Precision", "", PrintPrecision);
  add("HighLightAuthor1", "View", "High Light Author", "", HighLightAuthorClick).check =
      &MenuChecks::highlightAuthor;

  // Transform
  const char* hint = "Please Uncheck before making a new transformation";
  struct Transform {
    const char *name, *caption, *shortcut, *key;
    bool MenuChecks::* mark;
  };
  for (const Transform& t : {Transform{"lgt1", "lg t", "Ctrl+T", "T", &MenuChecks::lgT},
                             Transform{"lgx1", "lg x", "Ctrl+X", "Y", &MenuChecks::lgX},
                             Transform{"N10t", "10^t", "Ctrl+G", "G", &MenuChecks::pow10T},
                             Transform{"N10x", "10^x", "Ctrl+H", "H", &MenuChecks::pow10X},
                             Transform{"mi1", "m->i", "Ctrl+I", "I", &MenuChecks::magToInt},
                             Transform{"im1", "i->m", "Ctrl+M", "M", &MenuChecks::intToMag},
                             Transform{"ReciAxis1", "t=1/t", "Ctrl+K", "\\", &MenuChecks::reciprocalT}}) {
    auto& c = add(t.name, "Transform", t.caption, t.shortcut, ToggleAndSend(t.mark, t.key));
    c.check = t.mark;
    c.toolTip = hint;
  }
  add("xphase1", "Transform", "x->phase", "Ctrl+L", Send("\x83")).visible = false;

  // Mean
  addAction("ChangeNNH1", "ChangeNNH", "Mean", "Change NNH", "Shift+F4", ChangeNNH);

  // Analysis (hidden)
  add("xt1", "Analysis", "x/t", "", Send("~(")).visible = false;

  // Approximation: the commands of the approximation methods, in menu order.
  for (NamedCommand& c : ApproximationCommands()) list.push_back(std::move(c));

  // Square
  add("riangle1", "Square", "Square", "", [](Engine& e) {
    ToggleResidualMap(e);
    e.checks.residualMap = e.approxOut.mapShown;
  }).check = &MenuChecks::residualMap;

  // Help
  addAction("About1", "about", "Help", "About", "",
            [](Engine& e) { e.host.MessageBox(AboutText()); });
  // Exit
  add("Exit1", "Exit", "Exit", "", [](Engine&) { throw ProgramExit{0}; });

  // The subsystems' own entries, each placed after the entry it names or
  // at the end of its menu.
  for (auto lists : {BatchCommands, ClassicalExtremaCommands, MeanCommands, CorrelationCommands,
                     RunningParabolaCommands, FourierCommands, BlazhkoCommands, BootstrapCommands,
                     PeriodogramCommands, TimeSystemCommands}) {
    for (NamedCommand& c : lists()) Place(list, std::move(c));
  }
  return list;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

bool WaitsForKey(Engine& e) {
  if (e.console.WaitsForCommandKey()) return true;
  e.LogLine("!!! IO is not waiting for input");
  return false;
}

bool FreeOfOtherCommands(Engine& e) {
  if (e.console.waitingForInput != 1 || e.console.WaitsForCommandKey()) return true;
  e.LogLine("!!! IO is not waiting for input");
  return false;
}

std::function<void(Engine&)> SendKey(std::string key) {
  return [k = std::move(key)](Engine& e) { e.console.InjectKey(k); };
}

std::function<void(Engine&)> WhenWaiting(std::function<void(Engine&)> f) {
  return [f = std::move(f)](Engine& e) {
    if (WaitsForKey(e)) f(e);
  };
}

const std::vector<std::string>& MenuOrder() {
  static const std::vector<std::string> order{
      "File",          "Edit",   "Navigate",       "View",        "Transform",
      "Mean",          "RuPar",  "Extrema",        "Periodogram", "Analysis",
      "Approximation", "Square", "Blazhko effect", "Help",        "Exit"};
  return order;
}

const std::vector<NamedCommand>& Commands() {
  static const std::vector<NamedCommand> registry = BuildRegistry();
  return registry;
}

const NamedCommand* FindCommand(const std::string& name) {
  for (auto& c : Commands())
    if (SameName(c.name, name) || (!c.itemName.empty() && SameName(c.itemName, name))) return &c;
  return nullptr;
}

std::vector<std::pair<std::string, const NamedCommand*>> ActiveShortcuts() {
  std::vector<std::pair<std::string, const NamedCommand*>> result;
  std::set<std::string> taken;
  auto take = [&](const NamedCommand& c) {
    if (c.shortcut.empty() || !taken.insert(c.shortcut).second) return;
    result.emplace_back(c.shortcut, &c);
  };
  for (const auto& menu : MenuOrder())
    for (const auto& c : Commands())
      if (c.menu == menu && c.visible) take(c);
  for (const auto& c : Commands())
    if (c.action || c.menu.empty()) take(c);
  return result;
}

const NamedCommand* ShortcutOwner(const std::string& shortcut) {
  for (auto& [keys, c] : ActiveShortcuts())
    if (keys == shortcut) return c;
  return nullptr;
}

bool RunNamedCommand(Engine& engine, const std::string& name) {
  const NamedCommand* c = FindCommand(name);
  if (!c || !c->handler) return false;
  try {
    c->handler(engine);
  } catch (const IoError& e) {
    engine.LogLine(e.what());
    engine.host.MessageBox(e.what());
  }
  return true;
}

void OpenDataFile(Engine& engine, const std::string& path, bool reopen) {
  FileRunState& r = engine.run;
  std::string next = path;
  for (;;) {
    ResetEngine(engine, !reopen);
    std::string full = next;
    if (!reopen && !next.empty()) {
      std::error_code ec;
      std::filesystem::path p = std::filesystem::absolute(next, ec);
      if (ec) throw IoError(next, ec.message(), "open");
      std::filesystem::current_path(p.parent_path(), ec);
      if (ec) throw IoError(p.parent_path().string(), ec.message(), "open");
      full = p.string();
    }
    r.lastOpenedPath = full;
    r.openPending = false;
    r.inFileRun = true;
    try {
      RunDataFile(engine, full);
    } catch (...) {
      r.inFileRun = false;
      r.openPending = false;
      throw;
    }
    r.inFileRun = false;
    if (!r.openPending) break;
    r.openPending = false;
    next = r.pendingPath;
    reopen = r.reopenPending;
  }
}

const std::string& AboutText() {
  static const std::string text =
      "TERIL - analysis of light curves of variable stars\n"
      "\n"
      "TERIL is the windowed version of the older console program ZR. Its engine "
      "still works as that console program did: it prints lines to the log pane "
      "(and to ZR.log), asks for values in the command field and reads one key at "
      "a time. Every menu item hands the engine the key that the console program "
      "understood, so the keys typed in the command field and the menus do the "
      "same.\n"
      "\n"
      "The program loads, shows, edits and saves a series of observations; "
      "determines the moments of extrema with their errors; smooths and "
      "describes the series; and studies its periodicity. The methods are "
      "described in the program's documentation.\n"
      "\n"
      "The console-style commands and their keys come from ZR.";
  return text;
}

}  // namespace teril

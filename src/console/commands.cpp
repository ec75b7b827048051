#include "console/commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/file_run.h"
#include "console/menu_order.h"
#include "console/menus.h"
#include "data/history_command.h"
#include "data/settings.h"
#include "engine/engine.h"

namespace teril {

std::optional<int> IntegerAnswer(const std::string& text, long long lo, long long hi) {
  auto v = ParseInteger(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return static_cast<int>(*v);
}

std::function<void(Engine&)> ToggleAndSend(bool MenuChecks::*mark, std::string key) {
  return WhenWaiting([mark, k = std::move(key)](Engine& e) {
    e.checks.*mark = !(e.checks.*mark);
    e.console.InjectKey(k);
  });
}

namespace {

// Every entry of every list, in no particular order yet.
std::vector<NamedCommand> AllEntries() {
  std::vector<NamedCommand> all;
  for (auto list :
       {FileMenuCommands, EditMenuCommands, NavigateMenuCommands, ViewMenuCommands,
        TransformMenuCommands, HelpMenuCommands, MeanCommands, CorrelationCommands,
        RunningParabolaCommands, ApproximationCommands, BatchCommands, ClassicalExtremaCommands,
        FourierCommands, PeriodogramCommands, PrewhiteningCommands, BlazhkoCommands,
        BootstrapCommands, TimeSystemCommands}) {
    for (NamedCommand& c : list()) all.push_back(std::move(c));
  }
  return all;
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
    if (!WaitsForKey(e)) return;
    f(e);
    // What the item changed is a step of its own, before its key (if any)
    // arrives; a check mark toggled for that key waits for it.
    CommitEdits(e, false);
  };
}

const std::vector<NamedCommand>& Commands() {
  static const std::vector<NamedCommand> registry = OrderedByTable(MenuTable(), AllEntries());
  return registry;
}

std::vector<std::string> MenuOrderProblems() {
  return TableProblems(MenuTable(), MenuOrder(), AllEntries());
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
  // Files written meanwhile are the menu command's; a key it hands over is
  // carried out under its name too.
  Console& console = engine.console;
  const std::string outer = console.runningCommand;
  const bool waited = console.waitingForInput == 1;
  struct Restore {
    Console& console;
    const std::string& outer;
    ~Restore() { console.runningCommand = outer; }
  } restore{console, outer};
  console.runningCommand = c->caption.empty() ? c->name : c->caption;
  engine.history.SetLabel(c->caption.empty() ? c->name : c->caption);
  engine.history.NoteCommand();
  try {
    c->handler(engine);
    if (waited && console.waitingForInput == 0) console.keySource = console.runningCommand;
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

}  // namespace teril

// The registry of named commands: every menu item and action of the window,
// with its caption, shortcut, check mark and handler. The window builds its
// menus, tool bar and shortcuts from it; the command field and the console
// mode reach every entry by name (":wsp1", ":SaveVis").
#pragma once

#include <string>
#include <vector>

#include "console/menu_order.h"
#include "engine/named_command.h"

namespace teril {

// Every named command, in the order of the menu table (MenuTable(); the
// first met wins a shared shortcut).
const std::vector<NamedCommand>& Commands();

// Where the menu table and the lists of entries disagree (an entry the
// table does not place, a name in the table without an entry, ...), one
// line each; empty when every entry has exactly one place.
std::vector<std::string> MenuOrderProblems();

// The command whose name matches without regard to case, or null.
const NamedCommand* FindCommand(const std::string& name);

// The shortcuts that work, each once, with the command it runs: the visible
// menu items in menu order first, then the remaining actions; where two
// entries share a shortcut the first met keeps it (Del is Delete, not
// DeleteBad). Hidden menu items that are not actions have no shortcut.
std::vector<std::pair<std::string, const NamedCommand*>> ActiveShortcuts();

// The command a shortcut runs, or null.
const NamedCommand* ShortcutOwner(const std::string& shortcut);

// Runs file runs starting with `path` until none is pending: resets the
// engine, makes the file's folder current (not for a re-open, which keeps
// the folder and turns inverse x off) and calls RunDataFile. A file chosen
// by Open or Re-open during the run is opened after the run has ended, so
// file runs never nest.
void OpenDataFile(Engine& engine, const std::string& path, bool reopen);

// The text of Help > About.
const std::string& AboutText();

// Stored filters of the file dialogs (description|mask pairs).
inline constexpr const char* kOpenTitle = "Select file";
// The program's data files, downloaded light curves (survey tables, AAVSO
// files, FITS light curves; they are imported when opened), saved sets and
// every file.
inline constexpr const char* kOpenFilter =
    "*.dat|*.dat|light curves|*.csv;*.tsv;*.ecsv;*.txt;*.fits;*.fit;*.fits.gz|*.*$|*.*$|"
    "all files|*.*";
inline constexpr const char* kImageTitle = "Выберете папку для сохранения файла:";
inline constexpr const char* kImageFilter = "*.bmp|*.bmp";
inline constexpr const char* kSaveAsTitle = "Save as...";
inline constexpr const char* kSaveAsFilter = "*.dat|*.dat";

// The registry is assembled once, in commands.cpp, from the lists of the
// console's own menus (console/menus.h) and of the subsystems
// (engine/named_command.h), and put in order by the menu table.

}  // namespace teril

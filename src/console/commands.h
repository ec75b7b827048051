// The registry of named commands: every menu item and action of the window,
// with its caption, shortcut, check mark and handler. The window builds its
// menus, tool bar and shortcuts from it; the command field and the console
// mode reach every entry by name (":wsp1", ":SaveVis").
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace teril {

class Engine;

struct NamedCommand {
  std::string name;      // item or action name ("Save", "Sort1", "wsp1")
  std::string menu;      // menu that shows it ("File", "Edit", ...); empty: action only
  std::string caption;   // text shown in the menu
  std::string shortcut;  // in Qt's portable text form ("Ctrl+O", "Shift+F2", "Del"); may be empty
  bool checkable = false;
  bool visible = true;   // hidden items are reachable by name only
  std::function<void(Engine&)> handler;
  std::string toolTip;
};

// Menus in the order of the menu bar.
const std::vector<std::string>& MenuOrder();

// Every named command, in menu order (the first met wins a shared shortcut).
const std::vector<NamedCommand>& Commands();

// The command whose name matches without regard to case, or null.
const NamedCommand* FindCommand(const std::string& name);

// Runs a named command as the menu would: a failing command shows its
// message and ends; the file run goes on. Returns false for an unknown name.
bool RunNamedCommand(Engine& engine, const std::string& name);

// The registry is assembled once, in commands.cpp, from the lists that the
// subsystems provide (a function returning std::vector<NamedCommand> each),
// in menu order.

}  // namespace teril

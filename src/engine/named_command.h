// One entry of the registry of named commands (the menu items and actions
// of the window), and the call that runs an entry by name. Each subsystem
// lists its own entries; the registry that assembles them in menu order is
// the console's (console/commands.h).
#pragma once

#include <functional>
#include <string>

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
  // An entry of the window's action list: its shortcut works even when its
  // menu item is hidden (Phase, Interpolate).
  bool action = false;
  // The menu item's own name when the item is bound to an action of another
  // name ("Save1" for "Save"); FindCommand accepts it too.
  std::string itemName;
  // Runs even while long work is in progress (the abort of a batch run);
  // every other command is refused then, as an injected key would be.
  bool whileBusy = false;
};

// Runs a named command as the menu would: a failing command shows its
// message and ends; the file run goes on. Returns false for an unknown name.
bool RunNamedCommand(Engine& engine, const std::string& name);

}  // namespace teril

// One entry of the registry of named commands (the menu items and actions
// of the window), and the call that runs an entry by name. Each subsystem
// lists its own entries; the registry that assembles them in menu order is
// the console's (console/commands.h).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/menu_checks.h"

namespace teril {

class Engine;

// Every member has a default, so that an entry written with designated
// initialisers names only what it sets.
struct NamedCommand {
  std::string name{};      // item or action name ("Save", "Sort1", "wsp1")
  std::string menu{};      // menu that shows it ("File", "Edit", ...); empty: action only
  std::string caption{};   // text shown in the menu
  std::string shortcut{};  // in Qt's portable text form ("Ctrl+O", "Shift+F2", "Del"); may be empty
  // The check mark the item shows (and, for most, toggles); null for an
  // item without one.
  bool MenuChecks::* check = nullptr;
  bool checkable() const { return check != nullptr; }
  bool visible = true;   // hidden items are reachable by name only
  std::function<void(Engine&)> handler{};
  std::string toolTip{};
  // An entry of the window's action list: its shortcut works even when its
  // menu item is hidden (Phase, Interpolate).
  bool action = false;
  // The menu item's own name when the item is bound to an action of another
  // name ("Save1" for "Save"); FindCommand accepts it too.
  std::string itemName{};
  // Runs even while long work is in progress (the abort of a batch run);
  // every other command is refused then, as an injected key would be.
  bool whileBusy = false;
  // The entry that this one follows in the registry (and so in its menu),
  // by name; empty: after the entries before it in its own list. Lets a
  // subsystem's list place items into menus that others fill.
  std::string after{};
};

// The entries that each subsystem adds to the registry, in the order each
// wants them (see NamedCommand::after). Each is defined beside the commands
// it runs.
std::vector<NamedCommand> ApproximationCommands();    // extrema: the methods
std::vector<NamedCommand> BatchCommands();            // extrema: intervals and the batch run
std::vector<NamedCommand> ClassicalExtremaCommands(); // extrema: 3-point parabola, Kwee-van Woerden
std::vector<NamedCommand> MeanCommands();             // smoothing: means, histogram, sigma
std::vector<NamedCommand> CorrelationCommands();      // smoothing: correlation, ACF
std::vector<NamedCommand> RunningParabolaCommands();  // smoothing: running parabola, scalegrams
std::vector<NamedCommand> FourierCommands();          // periodicity: trigonometric polynomial, T0 P Q, O-C
std::vector<NamedCommand> BlazhkoCommands();          // periodicity: two-frequency fit
std::vector<NamedCommand> BootstrapCommands();        // periodicity: bootstrap samples
std::vector<NamedCommand> PeriodogramCommands();      // periodicity: period search
std::vector<NamedCommand> TimeSystemCommands();       // timescales: time system of t

// An entry of `menu` with its caption, shortcut and handler, placed after
// the entry named `after` (empty: at the end of its menu).
inline NamedCommand MenuEntry(std::string name, std::string menu, std::string caption,
                              std::string shortcut, std::function<void(Engine&)> handler,
                              std::string after = {}) {
  NamedCommand c;
  c.name = std::move(name);
  c.menu = std::move(menu);
  c.caption = std::move(caption);
  c.shortcut = std::move(shortcut);
  c.handler = std::move(handler);
  c.after = std::move(after);
  return c;
}

// A handler that hands `key` to the waiting engine, as a menu item does.
std::function<void(Engine&)> SendKey(std::string key);

// True while the key loop waits for its next command key. Otherwise (idle,
// busy, asking for a text, or a command waiting for a key of its own) logs
// "!!! IO is not waiting for input", as an injected key would, and the
// caller changes nothing.
bool WaitsForKey(Engine& engine);

// False, with "!!! IO is not waiting for input" logged, while a command
// waits for an answer of its own (a number, a text, its own key): an item
// that fits, moves the view or changes the ephemeris must not run under
// it. True when the engine is idle or waits for its next command key.
bool FreeOfOtherCommands(Engine& engine);

// A handler that runs `f` only while the engine waits for a key: for items
// that change the engine's state before they hand over their key.
std::function<void(Engine&)> WhenWaiting(std::function<void(Engine&)> f);

// Runs a named command as the menu would: a failing command shows its
// message and ends; the file run goes on. Returns false for an unknown name.
bool RunNamedCommand(Engine& engine, const std::string& name);

}  // namespace teril

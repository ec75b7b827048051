// One entry of the registry of named commands (the menu items and actions
// of the window), and the call that runs an entry by name. Each subsystem
// lists its own entries; the registry that assembles them in menu order is
// the console's (console/commands.h, ordered by console/menu_order.h).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/menu_checks.h"

namespace teril {

class Engine;

// Declared with designated initialisers, the common fields first:
//   NamedCommand{.name = "Mean", .menu = "Mean", .caption = "Bin Mean", .shortcut = "F4",
//                .handler = SendKey("~4"), .action = true, .itemName = "Mean2"}
// Where an entry stands in its menu is not said here but in the menu table
// (console/menu_order.cpp).
struct NamedCommand {
  std::string name{};      // item or action name ("Save", "Sort1", "wsp1")
  std::string menu{};      // menu that shows it ("File", "Edit", ...); empty: action only
  std::string caption{};   // text shown in the menu
  std::string shortcut{};  // in Qt's portable text form ("Ctrl+O", "Shift+F2", "Del"); may be empty
  // A second shortcut of the same item ("Ctrl+Y" beside "Ctrl+Shift+Z"); may
  // be empty. It works where the first one does.
  std::string alternateShortcut{};
  std::function<void(Engine&)> handler{};
  // An entry of the window's action list: its shortcut works even when its
  // menu item is hidden (Phase, Interpolate).
  bool action = false;
  // The menu item's own name when the item is bound to an action of another
  // name ("Save1" for "Save"); FindCommand accepts it too.
  std::string itemName{};
  bool visible = true;  // hidden items are reachable by name only
  // The check mark the item shows (and, for most, toggles); null for an
  // item without one.
  bool MenuChecks::*check = nullptr;
  bool checkable() const { return check != nullptr; }
  std::string toolTip{};
  // Runs even while long work is in progress (the abort of a batch run);
  // every other command is refused then, as an injected key would be.
  bool whileBusy = false;
};

// The entries that each subsystem adds to the registry. The registry takes
// them all and orders them by the menu table (console/menu_order.cpp). Each
// is defined in the subsystem's x_menu.cpp.
//   extrema: the methods; intervals and the batch run; 3-point parabola and
//   Kwee-van Woerden
std::vector<NamedCommand> ApproximationCommands();
std::vector<NamedCommand> BatchCommands();
std::vector<NamedCommand> ClassicalExtremaCommands();
//   smoothing: NNH, means, histogram, sigma; correlation and ACF; running
//   parabola and scalegrams
std::vector<NamedCommand> MeanCommands();
std::vector<NamedCommand> CorrelationCommands();
std::vector<NamedCommand> RunningParabolaCommands();
//   periodicity: trigonometric polynomial, T0 P Q, O-C; two-frequency fit;
//   bootstrap samples; period search
std::vector<NamedCommand> FourierCommands();
std::vector<NamedCommand> BlazhkoCommands();
std::vector<NamedCommand> BootstrapCommands();
std::vector<NamedCommand> PeriodogramCommands();
std::vector<NamedCommand> PrewhiteningCommands();  // prewhitening, spectral window
//   timescales: the time system of t
std::vector<NamedCommand> TimeSystemCommands();

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

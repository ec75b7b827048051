// The console's own registry lists (the menus of files, editing, moving,
// the view and the transformations, Help and Exit) and the little helpers
// their handlers share. The subsystems' lists are declared in
// engine/named_command.h.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> FileMenuCommands();       // File, and the menu bar's Exit
std::vector<NamedCommand> EditMenuCommands();       // Edit
std::vector<NamedCommand> NavigateMenuCommands();   // Navigate
std::vector<NamedCommand> ViewMenuCommands();       // View, and the residual map (Square)
std::vector<NamedCommand> TransformMenuCommands();  // Transform, and x/t (Analysis)
std::vector<NamedCommand> HelpMenuCommands();       // Help

// An integer typed into an input box, when it lies in lo..hi.
inline std::optional<int> IntegerAnswer(const std::string& text, long long lo, long long hi) {
  auto v = ParseInteger(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return static_cast<int>(*v);
}

// Toggles the item's check mark and sends its key.
inline std::function<void(Engine&)> ToggleAndSend(bool MenuChecks::*mark, std::string key) {
  return WhenWaiting([mark, k = std::move(key)](Engine& e) {
    e.checks.*mark = !(e.checks.*mark);
    e.console.InjectKey(k);
  });
}

}  // namespace teril

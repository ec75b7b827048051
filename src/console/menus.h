// The console's own registry lists (the menus of files, editing, moving,
// the view and the transformations, Help and Exit) and the little helpers
// their handlers share. The subsystems' lists are declared in
// engine/named_command.h.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/fwd.h"
#include "engine/menu_checks.h"
#include "engine/named_command.h"

namespace teril {

std::vector<NamedCommand> FileMenuCommands();       // File, and the menu bar's Exit
std::vector<NamedCommand> EditMenuCommands();       // Edit
std::vector<NamedCommand> NavigateMenuCommands();   // Navigate
std::vector<NamedCommand> ViewMenuCommands();       // View, and the residual map (Square)
std::vector<NamedCommand> TransformMenuCommands();  // Transform, and x/t (Analysis)
std::vector<NamedCommand> HelpMenuCommands();       // Help

// An integer typed into an input box, when it lies in lo..hi.
std::optional<int> IntegerAnswer(const std::string& text, long long lo, long long hi);

// Toggles the item's check mark and sends its key.
std::function<void(Engine&)> ToggleAndSend(bool MenuChecks::*mark, std::string key);

}  // namespace teril

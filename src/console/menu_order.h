// Where every registry entry stands: the menus of the menu bar in order,
// and one table that lists, menu by menu, the names of the entries in the
// order the menus show them. The subsystems' lists say what an entry is;
// this table alone says where it goes.
#pragma once

#include <string>
#include <vector>

#include "engine/named_command.h"

namespace teril {

// The entries of one menu, by name, in the order of the menu.
struct MenuSection {
  std::string menu;
  std::vector<std::string> names;
};

// Menus in the order of the menu bar.
const std::vector<std::string>& MenuOrder();

// The registry's order: one section per menu. The sections follow the
// order in which the registry lists its entries, which is not the menu
// bar's (the window places the menus by MenuOrder()); where two entries
// that the menu bar does not show share a shortcut, the first one met in
// this order keeps it.
const std::vector<MenuSection>& MenuTable();

// `entries` in the order of `table`: section by section, name by name. An
// entry the table does not name keeps its place after all named ones, so
// that it can still be run; TableProblems reports it.
std::vector<NamedCommand> OrderedByTable(const std::vector<MenuSection>& table,
                                         std::vector<NamedCommand> entries);

// Every way in which `table` fails to place `entries` exactly once, one
// line each: an entry the table does not name, a name without an entry, an
// entry listed under another menu than its own, a name or a menu listed
// twice, two entries of one name, a section for a menu that `menuBar` does
// not have (an empty menu, for entries that are actions only, is allowed).
// Empty when the table and the entries agree.
std::vector<std::string> TableProblems(const std::vector<MenuSection>& table,
                                       const std::vector<std::string>& menuBar,
                                       const std::vector<NamedCommand>& entries);

}  // namespace teril

// The Edit menu: undo and redo, deleting, interpolating, sorting and
// averaging points.
#include "console/menus.h"
#include "data/editing.h"
#include "data/history_command.h"
#include "engine/engine.h"

namespace teril {
namespace {

void DeleteAndShow(Engine& e) {
  DeleteCurrentPoint(e);
  e.console.InjectKey("#");
}

void SortAndShow(Engine& e) {
  SortByTime(e);
  e.checks.sorted = true;
  e.console.InjectKey("#");
}

void DeleteAuthorAndShow(Engine& e) {
  DeleteObserverPoints(e);
  e.console.InjectKey("#");
}

}  // namespace

std::vector<NamedCommand> EditMenuCommands() {
  return {
      // The data set as it was before the last edit, and as after it again.
      {.name = "Undo1",
       .menu = "Edit",
       .caption = "Undo",
       .shortcut = "Ctrl+Z",
       .handler = WhenWaiting(UndoCommand)},
      {.name = "Redo1",
       .menu = "Edit",
       .caption = "Redo",
       .shortcut = "Ctrl+Shift+Z",
       .alternateShortcut = "Ctrl+Y",
       .handler = WhenWaiting(RedoCommand)},
      {.name = "Delete",
       .menu = "Edit",
       .caption = "Delete current point",
       .shortcut = "Del",
       .handler = WhenWaiting(DeleteAndShow),
       .action = true,
       .itemName = "Delete1"},
      {.name = "DeleteBad",
       .menu = "Edit",
       .caption = "Delete bad points (same level)",
       .shortcut = "Ctrl+Del",
       .handler = SendKey(")"),
       .action = true,
       .itemName = "DeleteBadPoints1"},
      // V replaces the current point by its interpolation, as the key V does.
      {.name = "Interpolate",
       .menu = "Edit",
       .caption = "Interpolate current point",
       .shortcut = "V",
       .handler = SendKey("V"),
       .action = true,
       .itemName = "Interpolate1",
       .visible = false},
      {.name = "Sort1",
       .menu = "Edit",
       .caption = "Sort",
       .handler = WhenWaiting(SortAndShow),
       .check = &MenuChecks::sorted},
      {.name = "Average1",
       .menu = "Edit",
       .caption = "Average for same times",
       .handler = WhenWaiting(AverageSameTimes)},
      {.name = "DeleteCurrentAuthor1",
       .menu = "Edit",
       .caption = "Delete Current Author",
       .shortcut = "Ctrl+D",
       .handler = WhenWaiting(DeleteAuthorAndShow)},
  };
}

}  // namespace teril

// Undo and Redo of the edits of the data set, on the engine: where the
// history takes its steps, what Undo and Redo write to the log and the
// discard log, and how the plot is redrawn afterwards (see data/history.h).
//
// A step is taken at the key loop's wait for its next command key (every
// key's edit is one step) and after a menu item that acted inside that
// wait. A file run starts a new history; a reload clears it.
#pragma once

#include <string>

#include "engine/fwd.h"

namespace teril {

struct HistoryScalars;

// The settings of the data set as the engine holds them, and back.
HistoryScalars CaptureHistoryScalars(const Engine& engine);
void RestoreHistoryScalars(Engine& engine, const HistoryScalars& scalars);

// A new history for the data set just loaded (the key loop starts).
void StartHistory(Engine& engine);
// The key loop ends: a reload (`reload`) says in the log that the history
// it had is cleared; the history is cleared either way.
void EndHistory(Engine& engine, bool reload);

// Takes what changed since the last step as a new step. `settle` at the
// key loop's own wait (see DataHistory::Commit).
void CommitEdits(Engine& engine, bool settle);

// The data set was saved: called by the save commands.
void NoteSaved(Engine& engine);

// Edit > Undo and Edit > Redo (":Undo1", ":Redo1"), inside the key loop's
// wait for a command key: the step is undone or done again, the plot is
// redrawn around the same current point, and a line goes to the log (and,
// for a step that wrote to the discard log, to discard0.qvx: the restored
// point with code 0 on undo, the line of the edit again on redo).
void UndoCommand(Engine& engine);
void RedoCommand(Engine& engine);

// The name of a key for the log: "key 5", "key ~S", "key QT", "key ^Z",
// "key #131".
std::string KeyLabel(char key, char extChar);

}  // namespace teril

// The key loop of a file run: reads one key at a time and dispatches it
// through the main, Q and extended tables until a key ends the run.
#pragma once

namespace teril {

class Engine;

enum class RunEnd {
  End,      // the file run is over
  Restart,  // reload the same file from the settings on (RunAction::Restart)
  Reload,   // reload the data file only (new x column, header lines, marks)
};

// Shows every point and runs the key loop.
RunEnd RunKeyLoop(Engine& engine);

// Clears the plot and sets the title back: the window is idle again.
void EndFileRun(Engine& engine);

}  // namespace teril

#include "console/key_loop.h"

#include "console/engine.h"

namespace teril {

RunEnd RunKeyLoop(Engine&) { return RunEnd::End; }

void EndFileRun(Engine& engine) { engine.console.SetRunTitle("..."); }

}  // namespace teril

// What most headers need of the engine without its state: the engine's
// name and where a key command sends the loop next. Sources that use the
// engine's state include engine/engine.h.
#pragma once

namespace teril {

class Engine;

// Where a key command sends the loop next.
enum class Continuation { Full, Rescale, Redraw, Read, Wrap, Window, Restore, Quit, Reload, End };

}  // namespace teril

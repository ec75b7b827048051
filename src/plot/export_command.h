// File > Export plot...: the plot as it is drawn now, written as PNG, SVG or
// PDF by the surface it is drawn on (Canvas::ExportPicture).
#pragma once

#include "engine/fwd.h"

namespace teril {

// The form "Export plot" with "File" (the extension picks the format) and
// "Width" (pixels across for a PNG; twice the plot's width at first). One
// line per field in the console mode. Logs "LOG>>Plot exported to <file>";
// a name, width or file that does not allow it is said in the log and in a
// message box, and nothing is written.
void ExportPlotCommand(Engine& e);

}  // namespace teril

// The plot written as a picture file from the recording of its canvas:
// PNG at a chosen width, SVG or PDF (File > Export plot..., in the window
// and in the console mode alike).
#pragma once

#include <string>

namespace teril {

class QtCanvas;

enum class PlotFormat { kUnknown, kPng, kSvg, kPdf };

// The format a file name asks for by its extension (any case).
PlotFormat PlotFormatOf(const std::string& path);

// The widest PNG made.
constexpr int kMaxExportWidth = 16384;

// Writes the canvas (and its visible overlay) to `path`; the height keeps
// the canvas's aspect. A PNG is `width` pixels wide; an SVG has that
// nominal width, a PDF page that many pixels at 96 per inch. The file is
// replaced only when the whole picture has been made. False with `error`
// naming the file when the name, the width or the writing fails.
bool WritePlotPicture(const QtCanvas& canvas, const std::string& path, int width,
                      std::string& error);

}  // namespace teril

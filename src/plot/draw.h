// Drawing on the plot: pixel mapping, palette, the primitives every analysis
// uses to draw its curves and marks, the frame and the point plot.
//
// Layout of the plot bitmap (pixels, origin top left): frame (119, 0)-(639,
// 300); data area columns 130..630, rows 10..290; status column 0..118 on
// the left; labels at 8 pixels per character. Every primitive does nothing
// when no canvas is attached.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "plot/canvas.h"
#include "plot/view_state.h"

namespace teril {

class Engine;

// Pen colours by palette index 0..16.
inline constexpr std::array<Rgb, 17> Palette = {{
    {255, 255, 255},  // 0 white
    {160, 160, 164},  // 1 medium grey
    {255, 255, 0},    // 2 yellow
    {255, 251, 240},  // 3 cream
    {128, 0, 128},    // 4 purple
    {192, 192, 192},  // 5 silver
    {0, 128, 128},    // 6 teal
    {255, 0, 255},    // 7 fuchsia
    {0, 255, 0},      // 8 lime
    {128, 128, 0},    // 9 olive
    {255, 0, 0},      // 10 red
    {0, 0, 128},      // 11 navy
    {128, 0, 0},      // 12 maroon
    {0, 128, 0},      // 13 green
    {0, 0, 255},      // 14 blue
    {128, 128, 128},  // 15 grey
    {0, 0, 0},        // 16 black
}};

// Colour roles (palette indices).
constexpr int kOtherObserverColor = 10;  // points of other observers, hint circles
constexpr int kFitMarkColor = 12;
constexpr int kMarkCircleColor = 11;
constexpr int kBlack = 16;

// A raw colour value as the platform packs it: red in the low byte, then
// green, then blue (the interpolation curve uses the value 10: red 10).
constexpr Rgb RgbFromRaw(std::uint32_t v) {
  return Rgb{static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF),
             static_cast<std::uint8_t>((v >> 16) & 0xFF)};
}

// Column of argument t: round((t - tOrigin) * tScale + 130), halves to even;
// tMin..tMax of the last frame falls on columns 130..630. Results beyond
// +-1e8 are clamped (a far point must not overflow the integer).
int ToPixelX(const ViewState& v, double t);
int ToPixelX(const Engine& e, double t);
// Row of signal x: round((x - xMid) * xScale + 150), halves to even; xMin
// falls on row 10 and xMax on row 290.
int ToPixelY(const ViewState& v, double x);
int ToPixelY(const Engine& e, double x);

// --- primitives ---

// Makes `canvas` the target of all later drawing (nullptr: draw nothing).
void AttachCanvas(Engine& e, Canvas* canvas);
// Pen := Palette[index]. Index 0 also logs "LOG>>>WHite!"; an index outside
// 0..16 logs "Color overflow" and selects black.
void SetPenColor(Engine& e, int index);
// Sets one pixel to a raw colour value (not a palette index).
void DrawPixel(Engine& e, int x, int y, std::uint32_t rawColour);
void DrawPixel(Engine& e, int x, int y, Rgb colour);
void MovePen(Engine& e, int x, int y);
// Line from the pen position to (x, y) in the pen colour; the end pixel is
// not drawn.
void LineToPoint(Engine& e, int x, int y);
// MovePen(x1, y1) then LineToPoint(x2, y2).
void DrawLine(Engine& e, int x1, int y1, int x2, int y2);
// Rectangle with corners (x1, y1) and (x2, y2): pen outline, white inside.
void DrawRect(Engine& e, int x1, int y1, int x2, int y2);
// Hollow circle of radius r around (x, y) in the pen colour.
void DrawCircle(Engine& e, int x, int y, int r);
// Text with its top-left corner at (x, y): black on white, 8 pixels a
// character.
void DrawText(Engine& e, int x, int y, const std::string& text);
// Fills the whole surface with white; the pen colour is kept.
void ClearPlot(Engine& e);

// --- the plot ---

// Clears the plot and draws the frame: widens a degenerate argument window
// (tMax = tMin: the whole range, or tMin + 1e-6), sets halfWidth, tScale,
// tCentre, tOrigin, orients xMin/xMax after inverse x (the exchange is kept),
// sets xMid and xScale (280 when the range is empty), and draws the frame,
// ticks, labels, status, transformation letters and, in phase mode, the
// ephemeris. Leaves the pen at mainColor.
void DrawFrame(Engine& e);

// The whole plot: frame, a cross for every visible point (half-size 3, or 4
// with the interpolation curve), red for observers other than that of the
// current point, the extra stroke one column to the left for the current
// point's observer, fit dashes at x - s, the pending left mark, the
// interpolation curve and the lag label. Recounts firstVisible/lastVisible
// (both 0 when no point is visible) over the whole set, or only over
// firstVisible..lastVisible while an interval chosen by its indices is in
// place (ViewState::IndexRangeHolds), sets selectedObserver, leaves the pen
// at cursorColor and ends with j := cursorPoint.
void DrawPlot(Engine& e);

// The four-point interpolation curve through the visible points, one pixel
// per column 130..630 in raw colour 10, where its row lies in 11..349.
// Needs four visible points; columns whose four points share a t are skipped.
void DrawInterpolationCurve(Engine& e);

}  // namespace teril

// The view routines that end every command (Redraw, RescaleSignal,
// ResetView, MoveWindow) and the commands that move, zoom and rescale the
// visible window.
//
// Commands return where the key loop goes next; the loop applies the
// continuation: Full -> ResetView, Rescale -> RescaleSignal, Redraw ->
// Redraw, Window -> MoveWindow, Wrap -> WrapCurrent (plot/cursor.h).
#pragma once

#include "engine/fwd.h"

namespace teril {

// DrawPlot, then the current-point read-out and cursor (ShowCurrentPoint).
void Redraw(Engine& e);

// Signal limits xMin/xMax (with xMinIdx/xMaxIdx, first of equal values) from
// the visible points firstVisible..lastVisible; the whole-set limits when
// every point is visible; the references x0Ref (xMin, or 1 when xMin = 0 or
// magnitude -> intensity is on) and m0Ref (-2.5 lg xMax when xMax > 0 and
// intensity -> magnitude is off), x0Ref written at (300, 250); the x print
// width from the limits; then Redraw.
void RescaleSignal(Engine& e);

// Every point visible: tMin/tMax and tMinAll/tMaxAll from the whole set,
// levelYc := x[1], tWidth := FitPrintWidth(tDecimals, tMin, tMax) - 1; then
// RescaleSignal. With no points only the empty frame is drawn.
void ResetView(Engine& e);

// Shifts the window by scrollShift half-widths, clamps it to tMinAll..tMaxAll
// keeping its width, and repeats the shift while no point is inside (a
// scroll jumps over gaps). When no shift can bring a point into the window
// (shift 0, or the window is pinned at the end of the data) the window is
// left as it was. cursorPoint := j when t[j] is visible, else firstVisible.
// Then Redraw. In phase mode nothing happens (the key loop reads the next
// key). With shift 0 and an interval chosen by its indices still in place
// (ViewState::IndexRangeHolds) the window and its indices stay as they are.
void MoveWindow(Engine& e);

// tCentre := t[j]; the window keeps its half-width around it.
void CentreOnCurrent(Engine& e);

// Print width for values low..high with `decimals` decimals: with
// m = max(|low|, |high|) and k = trunc(lg m) (0 when m < 1, plus 1 when
// low < 0): decimals + k + 3, or k + 2 without decimals.
int FitPrintWidth(int decimals, double low, double high);

// Asks "t1= [..]", "t2= [..]", "x1= [..]", "v2= [..]", "yc= [..]" for tMin,
// tMax, xMin, xMax and levelYc after clearing the plot; an empty answer keeps
// the value, an answer that is not a number is refused (the value is kept).
void AskViewLimits(Engine& e);

// --- commands (key in brackets) ---

// ("+") Halves the window about t[j]. -> Window
Continuation ZoomIn(Engine& e);
// ("-") Doubles the window about t[j]. -> Window
Continuation ZoomOut(Engine& e);
// ("~6", "~9") scrollShift := -1 / +1. -> Window
Continuation ScrollLeft(Engine& e);
Continuation ScrollRight(Engine& e);
// ("~&", "~*") tMin / tMax := t[j]. -> Redraw
Continuation LeftEdge(Engine& e);
Continuation RightEdge(Engine& e);
// ("~q", "~e") tMin := tMinAll / tMax := tMaxAll. -> Redraw
Continuation DataStartAsLeftEdge(Engine& e);
Continuation DataEndAsRightEdge(Engine& e);
// ("E") CentreOnCurrent. -> Redraw
Continuation CentreCommand(Engine& e);
// ("R") Whole data set visible. -> Full
Continuation RestoreInterval(Engine& e);
// ("#") Signal limits from the visible points. -> Rescale
Continuation Refresh(Engine& e);
// ("|") xMin/xMax := xMinAll/xMaxAll. -> Redraw
Continuation WholeSetSignalRange(Engine& e);
// ("*") the orientation is the check mark of "Inverse x". -> Redraw
Continuation InverseX(Engine& e);
// ("@") Toggles the interpolation curve. -> Redraw
Continuation ToggleInterpolation(Engine& e);
// ("L") AskViewLimits. -> Redraw
Continuation SetViewLimits(Engine& e);

// --- menu actions that run inside a key wait ---

// "Inverse x": toggles the check mark of "Inversex1", then sends "*".
void InverseXClick(Engine& e);
// "High light author": toggles the check mark of "HighLightAuthor1", then
// sends "#".
void HighLightAuthorClick(Engine& e);

}  // namespace teril

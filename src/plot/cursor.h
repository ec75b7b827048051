// The current point: its read-out in the status column, the cursor mark,
// and the commands that move it.
//
// `j` is the current point as the commands see it; `cursorPoint` keeps it
// between drawings (every drawing of the plot ends with j := cursorPoint).
#pragma once

#include "engine/fwd.h"

namespace teril {

// Draws the read-out of the current point and the cursor mark:
// brings j into the visible range (the middle visible point; cursorPoint
// follows), recovers from a current point outside the window with the
// message box "PL5 j firstVisible lastVisible" and a centred window, resets
// the signal limits to the whole set when the window has moved since the
// last read-out (savedTMin), then draws the rows "t =", "t*=", the observer
// code, "1/t=" (not for t0 = 0; sets reciprocalT), "phase=", "i=", "x=",
// the hint circles while "HintPos" is checked, and the green bar under the
// point. A row that would run over the box (14 characters) drops the
// padding of its number, then decimals, or writes it with an exponent,
// whichever keeps more significant digits. Does nothing more than that with
// no points.
void ShowCurrentPoint(Engine& e);

// j := j mod n brought into 1..n (past either end wraps round), cursorPoint
// := j, Redraw. Returns false, drawing nothing, when there are no points:
// the key loop then takes its quit path.
bool WrapCurrent(Engine& e);

// Index of the point (visible or not) whose unrounded plotted position is
// nearest to pixel (px, py), the first on ties; 0 when none lies within
// 1e5 pixels.
int NearestPoint(const Engine& e, int px, int py);

// Phase of moment t in [0, 1) with the ephemeris T0, f (and the quadratic
// term Q); shown in the read-out.
double ReadoutPhase(const Engine& e, double t);

// The visible point drawn highest (up = true) or lowest: with smaller
// values at the top the smallest x (the last of equal ones), else the
// largest (the first of equal ones); and the opposite for lowest. 0 when no
// point is visible.
int TopOrBottomPoint(const Engine& e, bool up);

// --- commands (key in brackets); each returns Continuation::Wrap ---

Continuation NextPoint(Engine& e);    // "3", "~>"
Continuation PrevPoint(Engine& e);    // "1", "~<"
Continuation Forward10(Engine& e);    // "."
Continuation Back10(Engine& e);       // "0"
Continuation Forward100(Engine& e);   // "6"
Continuation Back100(Engine& e);      // "4"
Continuation Forward1000(Engine& e);  // "X"
Continuation Back1000(Engine& e);     // "Z"
// ("7") One point back, then on while the point lies strictly between its
// neighbours in x; stops at a local extremum, a flat step or point 1.
Continuation PrevTurningPoint(Engine& e);
// ("9") The same forwards; stops at point n.
Continuation NextTurningPoint(Engine& e);
Continuation FirstAtScreen(Engine& e);  // "~H": j := firstVisible
Continuation LastAtScreen(Engine& e);   // "~E": j := lastVisible
Continuation FirstPoint(Engine& e);     // "~x": j := 1
Continuation LastPoint(Engine& e);      // "~d": j := n
Continuation MinLimitPoint(Engine& e);  // "~I": j := xMinIdx
Continuation MaxLimitPoint(Engine& e);  // "~Q": j := xMaxIdx

// --- menu actions that run inside a key wait ---

// Up / Down arrows: the visible point drawn highest / lowest becomes current
// (cursorPoint and j), then "#" is sent.
void TopClick(Engine& e);
void BottomClick(Engine& e);
// Mouse-down on the plot at bitmap pixel (px, py): the nearest point
// becomes cursorPoint, "#" is sent, then j := cursorPoint.
void PlotClick(Engine& e, int px, int py);
// "Hint": toggles the check mark of "HintPos", then sends "#".
void HintClick(Engine& e);

}  // namespace teril

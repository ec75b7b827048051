// The check marks of the menu items: the one place where each lives. A
// registry entry with a check mark points at its field here (see
// NamedCommand::check), so the menu, the engine and the tests read the same
// bool.
#pragma once

namespace teril {

struct MenuChecks {
  // View
  bool inverseX = true;         // "Inverse x": smaller x at the top of the plot
  bool highlightAuthor = true;  // "High Light Author": the selected observer's points
  bool hint = true;             // "Hint": the read-out of the current point
  // Navigate
  bool search2D = true;  // "2D search"
  // File, Edit
  bool swapTX = false;  // "Swap t<->x"
  bool swapXS = false;  // "Swap x<->s"
  bool sorted = false;  // "Sort"
  bool phase = false;   // "Phase"
  // Transform: the menu's marks (the keys keep their own flags)
  bool lgT = false;          // "lg t"
  bool lgX = false;          // "lg x"
  bool pow10T = false;       // "10^t"
  bool pow10X = false;       // "10^x"
  bool magToInt = false;     // "m->i"
  bool intToMag = false;     // "i->m"
  bool reciprocalT = false;  // "t=1/t"
  // Approximation, classical methods
  bool saveImage = true;     // "Save image": pictures of final runs
  bool residualMap = false;  // "Square": the residual map over the plot
  bool sigmaInList = false;  // "Sigma in list": errors in the 3-point parabola's list
};

}  // namespace teril

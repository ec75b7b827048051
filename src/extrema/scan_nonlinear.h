// The grid search of the nonlinear parameters and its residual map.
#pragma once

namespace teril {

class Engine;
struct LsqState;
struct ApproxState;

// Grid of one model code: the outer index j runs from -s to r, the inner
// index i from -r to UpperI(j); for models 8 and 9 every grid point is
// fitted for the nine centres x0 = k/5, k = -4..4.
struct ScanGrid {
  int code = 1;
  int r = 100, s = 100;
  int UpperI(int j) const;
  double C5(int i) const;
  double C6(int j) const;
  int Centres() const { return (code == 8 || code == 9) ? 9 : 1; }
  static double X0(int q) { return (q - 4) / 5.0; }  // q = 0..8
  // Grid indices (ib, jb) nearest to c5 and c6.
  int IndexOfC5(double c5) const;
  int IndexOfC6(double c6) const;
  // True when the map is filled symmetrically (models 1, 2, 5, 6, 7).
  bool Symmetric() const { return code == 1 || code == 2 || code == 5 || code == 6 || code == 7; }
};
ScanGrid GridOf(int modelCode);

// Fits every grid point of engine.lsq.ModelCode with FitWithBasis's rules
// and keeps the best: leaves c5, c6 (and x0) at the best point with its
// linear fit in Coef, the residuals and ResidualSum; fills the residual
// map, its minimum and maximum; and draws the map with a cross through the
// best point on engine.mapCanvas (skipped when there is none). When every
// accepted sum is equal (or every fit was rejected) a message box shows 1.
//
// Grid points are fitted on engine.approx.scanThreads threads; the result
// does not depend on the count.
void ScanNonlinear(Engine& engine);

// The map drawing alone (used by ScanNonlinear).
void DrawResidualMap(Engine& engine, const ScanGrid& grid);

}  // namespace teril

// Gauss-Jordan inversion with full pivoting, in place.
#pragma once

#include "lsq/lsq_state.h"

namespace teril {

// Inverts the leading MatrixOrder block of s.NormalMatrix in place and sets
// Determinant (the product of the pivots, not corrected for the exchanges)
// and DetRatio (Determinant divided by the product of the diagonal taken
// before the elimination: the determinant of the matrix scaled to a unit
// diagonal).
//
// Pivot: the element of largest magnitude of the remaining block, scanning
// rows outer and columns inner; equal magnitudes go to the element met
// last. Rows and columns are exchanged with a change of sign and put back
// with the opposite change after the elimination.
//
// A zero pivot stops the elimination: Determinant = DetRatio = 0 and the
// matrix is left partly transformed. Singularity is not an error here; the
// caller decides (the approximations treat DetRatio <= 1e-10 as singular).
void InvertMatrix(LsqSystem& s);

}  // namespace teril

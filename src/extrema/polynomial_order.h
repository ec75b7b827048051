// The choice of the number of coefficients for the polynomial methods.
#pragma once

namespace teril {

class Engine;

// Trial runs of the polynomial (method 1) or symmetrical polynomial
// (method 2) over the visible interval, each Approximate with
// PrintResults = 0: m = 3 .. min(9, N) for the polynomial, m = 2 .. 5 (or
// .. N - 2 when N < 7) for the symmetrical polynomial. The first run is the
// best until a later one has a strictly smaller sigma of T. Returns the
// best m. With fewer than 3 points logs "Number of points too small"
// immediately followed by N and returns 0. With exactly 3 points the
// symmetrical polynomial has no trial order and gets m = 2 (run once, so
// that the curvature is set as by a trial run).
int ChoosePolynomialOrder(Engine& engine, int method);

}  // namespace teril

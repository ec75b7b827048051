// Four-point Lagrange interpolation of the whole series and the table of
// interpolated values on a grid of t ("QI").
#pragma once

#include <optional>
#include <string>

#include "data/data_set.h"
#include "engine/fwd.h"

namespace teril {

struct FourPoint {
  bool ok = false;
  int b = 0;         // first of the four points used
  double value = 0;  // interpolated x (when ok)
  std::string why;   // why there is no value (when not ok)
};

// Interpolation at argument a through the points b..b+3 of the whole set
// 1..n (t ascending): b is the first index with t[b] >= a (n when there is
// none), then b - 2, kept within 1..n-3;
//   v = sum_k x[b+k] prod_{m != k} (a - t[b+m]) / (t[b+k] - t[b+m]).
// No value with fewer than four points or when two of the four share a t.
// `from` starts the search for b further on: for a series of ascending a
// the previous search's first index (before the - 2) may be passed, since
// that index never decreases as a grows; `found` receives it.
FourPoint FourPointAt(const DataSet& d, double a, int from = 1, int* found = nullptr);

// FourPointAt(a) with its log: the eight lines "V1=", a, "V2=", v, "K=", b,
// "n=", n (numbers in the shortest form), or one line saying why there is no
// value.
std::optional<double> Interpolate4(Engine& e, double a);

// Number of rows of a table from `start` by `step` while t < `end`
// (t = start + k step, k = 0, 1, ...); 0 when start >= end. Precondition:
// step > 0.
long long TableRows(double start, double step, double end);

// ("QI") Logs "Interpolation...", clears the plot, logs "Printing the table of interpolated data",
// asks "Start=" (empty: 0), "Step =" (1; must be positive), "End  =" (0),
// "j1 =" .. "j4 =" (12, 6, 12, 6: width and decimals of t and of the value)
// and "Filename " ("intertab.dat"; not the data file), and writes one line
// Str(t:j1:j2) Str(v:j3:j4) per grid point t < End, each value from
// Interpolate4 (a point without a value writes no line). The file is
// replaced. Needs at least four points; more than MaxPoints rows are
// refused. Long tables report progress and may be stopped (the rows done
// are written). -> Rescale
Continuation InterpolatedTableKey(Engine& e);

}  // namespace teril

// The comparison of the chosen approximation methods on the visible
// interval, the filing of the best result, the "Choose method" form and the
// batch run over the intervals of an intervals file.
#pragma once

#include <string>
#include <vector>

#include "engine/fwd.h"
#include "extrema/batch_state.h"

namespace teril {

// The fit kept for one group of methods.
struct GroupBest {
  int method = 0;           // method number; 0 while nothing is kept
  int m = 0, n = 0;         // linear coefficients; n = 0 (polynomial), 1 (symmetrical), engine n
  double timeSigma = 1e35;  // sigma T of the kept fit
  double Sigma2 = 1e35;     // its unit-weight variance
  double T = 0, M = 0, magSigma = 0;  // its moment and value (polynomial groups)
};

// What CompareMethods found. Groups: 1 the polynomial, 2 the symmetrical
// polynomial, 3 every other method.
struct MethodComparison {
  GroupBest group[4];  // index 0 unused
  int bestGroup = 0;   // the group with the smallest Sigma2; 0: no fit at all
  int bestMethod = 0, bestM = 0, bestN = 0;
  double bestSigma2 = 1e35;
};

// The names of the nine methods of the "Choose method" form, in the order
// of their method numbers 1..9.
const std::vector<std::string>& ChoosableMethodNames();

// The number of checked methods.
int CheckedMethodCount(const BatchState& batch);

// Runs every checked method on firstVisible..lastVisible (N = lastVisible -
// firstVisible + 1 points) and picks the best, appending one line per group
// to "allmethod_extr.dat" (header only when it is created):
// - polynomial: N < 3 logs "Polynomial approximation: Number of points too
//   small" + N; else m = 3..min(9, N), the smallest sigma T kept (strictly);
// - symmetrical polynomial: N < 3 logs "Symmetrical polynomial
//   approximation: Number of points too small" + N; else m = 2..5 (..N - 2
//   when N <= 6, and m = 2 alone for N = 3);
// - methods 3..9: only with N >= 7 (silently skipped otherwise), one run
//   each, with PrintResults = 1 when it is the only method checked.
// A run that ends early (no fit) is neither kept nor filed. The overall best
// is the group whose kept fit has the smallest Sigma2 (groups in order,
// strictly smaller replaces). Needs CurvatureSign from a preliminary
// parabola. Throws IoError when the file cannot be written.
MethodComparison CompareMethods(Engine& engine);

// Fits the visible interval with the checked methods (Approximate's
// QuietOutOfInterval on meanwhile), files the best in "extr+coef.dat" and,
// with "make new result file" checked, in "<stem>_result.dat" (accepted:
// "Yes" to "Save  parameters?", or any result of a batch) or
// "<stem>_bad.da!" (not accepted), and logs the best result when it is
// accepted. With no method checked it logs so and does nothing. When no
// method could fit the interval it logs so, treats the interval as not
// accepted and files "extr+coef.dat" with the method "none", T = M =
// sigma T = sigma M = 9999, sigma0 = 1e32, no coefficients.
void RunChosenMethods(Engine& engine);

// Shows "Choose method" with the kept marks and keeps what the user
// checked; true when "Do it!" was pressed.
bool ShowChooseMethod(Engine& engine);

// The menu commands: "choose approximation" (the form; "Do it!" runs the
// methods), "run approximation" (runs at once when a method is checked,
// else as "choose approximation"), "do for all next intervals" and "abort
// do for all".
void ChooseApproximation(Engine& engine);
void RunApproximation(Engine& engine);

// The batch: BatchMode on, the abort flag off, "Hint" unchecked; interval 1
// when none is current; the form (closing it without "Do it!" ends the
// batch; "Do it!" processes the current interval); then every following
// interval: the view set to it (log "interval=" k " from " count), redrawn,
// the chosen methods run, the progress reported (interval k of count).
// Stops after the interval in progress when "abort do for all" was chosen
// or the progress display was cancelled; a result file that cannot be
// written stops it with the error (what was written stays). At the end
// BatchMode is off and "Hint" checked again.
void DoForAllNextIntervals(Engine& engine);
void AbortDoForAll(Engine& engine);

}  // namespace teril

// The commands of the Approximation menu: one method on the visible
// interval, with the log lines of its results, the fitted curve and its
// error band on the plot and in "_apr.dat", the line of extr.dat and the
// picture of the plot.
#pragma once

#include <string>
#include <vector>

#include "engine/named_command.h"
#include "extrema/approximate.h"

namespace teril {

class Engine;

// Methods 1 (polynomial) and 2 (symmetrical polynomial): trial runs over
// the number of coefficients, then a final run with the best one.
void RunPolynomialCommand(Engine& engine, int method);

// Methods 3 to 11: the preliminary parabola, then the method.
void RunNonlinearCommand(Engine& engine, int method);

// What a final run leaves, from its result `r` and the fit in engine.lsq:
// the curve file and plot, the marks, the error cross, the save question,
// extr.dat and the picture. Callers write it after a completed fit.
void WriteApproximationOutput(Engine& engine, const ApproximationResult& r);

// Name of the picture of a final run.
std::string PictureName(const Engine& engine, int method);

// The header line of extr.dat and one line of it for the last result.
std::string ExtrHeader();
std::string ExtrLine(const Engine& engine, int method);

// "Square": shows or hides the residual map over the plot.
void ToggleResidualMap(Engine& engine);

}  // namespace teril

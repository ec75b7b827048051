// The scalegram mean: bin means of the visible points for 1..200 bins,
// with the signal and the noise each number of bins finds; the number with
// the best ratio becomes NNH, and the bin mean is then run with it.
#pragma once

#include <string>
#include <vector>

#include "data/data_set.h"
#include "engine/fwd.h"

namespace teril {

// One number of bins k: `bins` of them hold points; with M the number of
// visible points, x' = x - (mean x), m_b the mean x' and c_b the count of
// bin b: S = sqrt(sum c_b m_b^2 / M) (the signal of the bin means),
// sigmaW = sqrt(|sum over bins of (sum x'^2 - c_b m_b^2)| / (M - bins)) (the
// scatter within the bins), E = sqrt(bins/M) sigmaW (the signal expected
// from noise alone), R = S/E (0 when E = 0).
struct ScaleRow {
  int k = 0, bins = 0, M = 0;
  double S = 0, sigmaW = 0, R = 0, E = 0;
};

// The rows k = 1..K for the points first..last (K = 200 when there are at
// least 201 of them, else their number - 1): bin b = trunc((t - tOrigin)
// k/(2 halfWidth)/1.000000000001) + 1, points outside 1..k left out.
// `best` receives the first k with the largest R > 0, or 0. Nothing when
// halfWidth is not positive or fewer than 2 points are visible.
std::vector<ScaleRow> ScalegramMeanRows(const DataSet& d, int first, int last, double tOrigin,
                                        double halfWidth, int& best);

// Str(k:3) Str(bins:4) " " Str(S:9:5) " " Str(sigmaW:9:5) " " Str(R:9:5) " "
// Str(E:9:5) " " Str(M:5:0).
std::string FormatScaleRow(const ScaleRow& r);

// ScalegramMean1: writes the rows to "_Scale.dat" (created afresh), sets
// NNH to the best k (left alone when no k has R > 0) and runs the bin mean
// with it (BinMean: drawn and appended to "_f4.dat"). Throws IoError when a
// file cannot be written.
void ScalegramMean(Engine& engine);

}  // namespace teril

// Small helpers shared by the direct and the fast periodogram.
#pragma once

#include <cmath>
#include <numbers>

namespace teril::periodogram_detail {

// cos and sin of 2 pi x. x is first reduced to [-0.5, 0.5] by whole
// cycles, which are exact in floating point, so that a phase of thousands
// of cycles keeps its fraction's precision.
inline void CosSinCycles(double x, double& c, double& s) {
  const double r = x - std::nearbyint(x);
  const double angle = 2 * std::numbers::pi * r;
  c = std::cos(angle);
  s = std::sin(angle);
}

}  // namespace teril::periodogram_detail

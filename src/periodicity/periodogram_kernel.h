// Small helpers shared by the direct and the fast periodogram.
#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <span>
#include <vector>

#include "periodicity/periodogram.h"

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

// Counts units of work and asks whether to go on.
struct Steps {
  const PeriodogramProgress& progress;
  long long done = 0, total = 0;
  bool Next() {
    ++done;
    return !progress || progress(done, total);
  }
};

// The fast sums of Press & Rybicki: F_r(k) = sum_j h_r[j] exp(2 pi i (nu0
// + k dnu) tau_j), k = 0 .. K-1, for one or more weight arrays h_r at once
// (they share the extirpolation). Off by about 1e-7 of sum |h_r|. Calls
// steps.Next() once per 65,536 points and once per array; returns false
// when it answers false.
bool Sums(std::span<const double> tau, std::span<const std::vector<double>* const> h, double nu0,
          double dnu, long long K, std::span<std::vector<std::complex<double>>* const> out,
          Steps& steps);

}  // namespace teril::periodogram_detail

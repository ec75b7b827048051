// Synthetic light curves with a known moment of extremum, and a Gaussian
// noise generator that does not depend on the standard library's
// distributions (a 64-bit linear congruential generator and the Box-Muller
// transform), so that every platform draws the same numbers.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace teril::synthetic {

class NoiseGenerator {
 public:
  explicit NoiseGenerator(std::uint64_t seed) : state_(seed * 2862933555777941757ULL + 3037000493ULL) {}

  // Uniform in (0, 1): the top 53 bits of the state, never 0.
  double Uniform() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return (static_cast<double>(state_ >> 11) + 0.5) / 9007199254740992.0;
  }

  // Standard normal deviate (Box-Muller, one of the pair).
  double Normal() {
    const double u1 = Uniform(), u2 = Uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
  }

 private:
  std::uint64_t state_;
};

// A light curve sampled at `count` equally spaced times over
// [tStart, tEnd] (with an optional jitter of the spacing).
struct Curve {
  std::vector<double> t, x;  // 0-based
  double trueMoment = 0;
};

// Eclipse with a flat bottom: magnitude 10 outside, 11 at the bottom; the
// flat part lasts `flat`, each branch `branch` (time units), centred on t0.
inline double FlatBottomEclipse(double t, double t0, double flat, double branch) {
  const double a = std::fabs(t - t0) - flat / 2.0;
  if (a <= 0) return 11.0;
  if (a >= branch) return 10.0;
  const double z = a / branch;  // 0 at the bottom edge, 1 at contact
  return 10.0 + (1.0 - z * z * (3.0 - 2.0 * z));
}

// Symmetric dip: a Gaussian of depth 0.8 and width w.
inline double SymmetricDip(double t, double t0, double w) {
  const double z = (t - t0) / w;
  return 12.0 + 0.8 * std::exp(-0.5 * z * z);
}

// Skewed maximum (of brightness: the magnitude is smallest at t0): a steep
// rise and a slow decline, with a smooth top. Its minimum of magnitude is at
// t0 exactly: the curve is 14 - h(s) with s = (t - t0)/w_left before t0 and
// (t - t0)/w_right after, h(s) = 1/(1 + s^2).
inline double SkewedMaximum(double t, double t0, double wLeft, double wRight) {
  const double s = t < t0 ? (t - t0) / wLeft : (t - t0) / wRight;
  return 14.0 - 1.0 / (1.0 + s * s);
}

template <class Shape>
Curve Sample(int count, double tStart, double tEnd, double trueMoment, double noise,
             NoiseGenerator& gen, Shape&& shape) {
  Curve c;
  c.trueMoment = trueMoment;
  for (int k = 0; k < count; ++k) {
    const double t = tStart + (tEnd - tStart) * k / (count - 1);
    c.t.push_back(t);
    c.x.push_back(shape(t) + noise * gen.Normal());
  }
  return c;
}

}  // namespace teril::synthetic

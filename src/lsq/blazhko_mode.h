// The two-frequency mode of FitWithBasis, switched on for one scope.
#pragma once

#include <functional>
#include <utility>

#include "lsq/lsq_state.h"

namespace teril {

// While it lives, FitWithBasis fits y[1..N] with `basis` (which fills
// f[1..m] at u) instead of the approximation models, with m linear
// coefficients among n parameters. When it ends, however the scope is
// left (a failed write included), the mode is off, the basis is dropped
// and m, n and N are back as they were, so that every later approximation
// is the same as if the mode had never been on. Coef and the inverse in
// NormalMatrix keep what the last fit left.
class BlazhkoModeScope {
 public:
  BlazhkoModeScope(LsqState& s, std::function<void(double u, double* f)> basis, int m, int n)
      : s_(s), m_(s.m), n_(s.n), N_(s.N) {
    s_.blazhkoBasis = std::move(basis);
    s_.blazhkoMode = true;
    s_.m = m;
    s_.n = n;
  }
  ~BlazhkoModeScope() {
    s_.blazhkoMode = false;
    s_.blazhkoBasis = nullptr;
    s_.m = m_;
    s_.n = n_;
    s_.N = N_;
  }
  BlazhkoModeScope(const BlazhkoModeScope&) = delete;
  BlazhkoModeScope& operator=(const BlazhkoModeScope&) = delete;

 private:
  LsqState& s_;
  int m_, n_, N_;
};

}  // namespace teril

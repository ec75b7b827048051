// The coefficients of the linear transformation of the signal ("QX") and
// whether it is applied.
#pragma once

namespace teril {

struct LinearTransformState {
  double lineCoefA = 0, lineCoefB = 1, lineCoefC = 0;
  bool lineApplied = false;

  // Every opened file starts untransformed with the identity.
  void StartFile() { *this = LinearTransformState(); }
};

}  // namespace teril

#include "extrema/polynomial_order.h"

#include <algorithm>

#include "engine/engine.h"
#include "base/numfmt.h"
#include "extrema/approximate.h"

namespace teril {

int ChoosePolynomialOrder(Engine& engine, int method) {
  const auto& v = engine.view;
  int N = 0;
  for (int i = std::max(v.firstVisible, 1); i <= std::min(v.lastVisible, engine.data.n); ++i)
    if (v.tMin <= engine.data.t[i] && engine.data.t[i] <= v.tMax) ++N;
  if (N < 3) {
    engine.console.LogLine("Number of points too small" + Str(static_cast<long long>(N)));
    return 0;
  }
  int from = 3, to = std::min(9, N);
  if (method == 2) {
    from = 2;
    to = N < 7 ? N - 2 : 5;
    if (to < from) to = from;
  }
  int best = from;
  double bestSigma = 0;
  for (int m = from; m <= to; ++m) {
    engine.lsq.m = m;
    const double sigma = Approximate(engine, MethodOf(method)).ExtremumTimeSigma;
    if (m == from || sigma < bestSigma) {
      best = m;
      bestSigma = sigma;
    }
  }
  engine.lsq.m = best;
  return best;
}

}  // namespace teril

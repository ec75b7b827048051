// Helpers shared by the transformation files: compute every new value
// before touching the data and refuse the whole transformation at the
// first value that is not a finite number.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "engine/fwd.h"

namespace teril::detail {

// "!!! lg x refused: point 3, x=-2; data unchanged"
void LogRefusal(Engine& engine, const std::string& name, int i, const std::string& label,
                double value);

// Computes f(i) for i = 1..n. When every value is finite they replace
// target[1..n] and true is returned; otherwise the first point with a
// non-finite result is logged with its value input[i] (called `label`) and
// nothing changes.
// (The engine is a template parameter so that this header need not see
// its state.)
template <class EngineT, class F>
bool MapPoints(EngineT& engine, const std::string& name, std::vector<double>& target,
               const std::vector<double>& input, const std::string& label, F f) {
  const int n = engine.data.n;
  std::vector<double> result(static_cast<std::size_t>(n) + 1);
  for (int i = 1; i <= n; ++i) {
    double v = f(i);
    if (!std::isfinite(v)) {
      LogRefusal(engine, name, i, label, input[i]);
      return false;
    }
    result[i] = v;
  }
  for (int i = 1; i <= n; ++i) target[i] = result[i];
  return true;
}

// The same for the signal: x := f(i), naming x[i] on refusal.
template <class EngineT, class F>
bool MapX(EngineT& engine, const std::string& name, F f) {
  return MapPoints(engine, name, engine.data.x, engine.data.x, "x", f);
}

// The same for the argument: t := f(i), naming t[i] on refusal.
template <class EngineT, class F>
bool MapT(EngineT& engine, const std::string& name, F f) {
  return MapPoints(engine, name, engine.data.t, engine.data.t, "t", f);
}

}  // namespace teril::detail

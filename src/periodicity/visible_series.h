// The visible points as the multi-frequency commands take them: every
// point firstVisible..lastVisible with tMin <= t <= tMax, weighted by 1/s^2
// when the s column is loaded.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/fwd.h"

namespace teril {

struct VisibleSeries {
  std::vector<double> t, x;
  std::vector<double> weights;  // empty: all equal
};

// The visible points, or nothing when they cannot be used; `refuse` is then
// told why (phase mode, a value that is not finite, an error s that gives
// no usable weight, weights whose sum overflows, no visible point).
std::optional<VisibleSeries> CollectVisibleSeries(
    const Engine& engine, const std::function<void(const std::string&)>& refuse);

}  // namespace teril

#include "periodicity/visible_series.h"

#include <algorithm>
#include <cmath>

#include "base/numfmt.h"
#include "engine/engine.h"

namespace teril {

std::optional<VisibleSeries> CollectVisibleSeries(
    const Engine& e, const std::function<void(const std::string&)>& refuse) {
  const DataSet& d = e.data;
  const ViewState& v = e.view;
  if (d.phased) {
    // In phase mode t holds phases: frequencies of phases mean nothing.
    refuse("the times hold phases; switch phase mode off (F) first");
    return std::nullopt;
  }
  VisibleSeries p;
  const int first = std::max(1, v.firstVisible), last = std::min(d.n, v.lastVisible);
  double totalWeight = 0;
  for (int i = first; i <= last; ++i) {
    if (d.t[i] < v.tMin || d.t[i] > v.tMax) continue;
    if (!std::isfinite(d.t[i]) || !std::isfinite(d.x[i])) {
      refuse("point " + Str(static_cast<long long>(i)) + " is not a finite number");
      return std::nullopt;
    }
    if (d.weightsLoaded) {
      const double w = 1 / (d.s[i] * d.s[i]);
      if (!(d.s[i] > 0) || !std::isfinite(w) || !(w > 0)) {
        refuse("point " + Str(static_cast<long long>(i)) + " has the error s=" + General(d.s[i]) +
               (d.s[i] > 0 ? "; its weight 1/s^2 is beyond the range of numbers"
                           : "; the weights 1/s^2 need errors above 0"));
        return std::nullopt;
      }
      p.weights.push_back(w);
      totalWeight += w;
    }
    p.t.push_back(d.t[i]);
    p.x.push_back(d.x[i]);
  }
  if (!std::isfinite(totalWeight)) {
    refuse("the weights 1/s^2 add up beyond the range of numbers; the errors are too small");
    return std::nullopt;
  }
  if (p.t.empty()) {
    refuse("no point is visible");
    return std::nullopt;
  }
  return p;
}

}  // namespace teril

// An engine with a curve loaded as its visible interval.
#pragma once

#include <functional>
#include <vector>

#include "engine/engine.h"
#include "extrema/approximate.h"
#include "support/scripted_host.h"

namespace teril::testing {

class ExtremaTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine->console.writeLogFile = false;
  }

  // Loads the points (0-based vectors) as the whole visible window.
  void Load(const std::vector<double>& t, const std::vector<double>& x) {
    auto& d = engine->data;
    d.n = static_cast<int>(t.size());
    for (int i = 0; i < d.n; ++i) {
      d.t[i + 1] = t[i];
      d.x[i + 1] = x[i];
    }
    auto& v = engine->view;
    v.firstVisible = 1;
    v.lastVisible = d.n;
    v.tMin = t.front();
    v.tMax = t.back();
  }

  // Points t_k = k (k = 0..count-1) with x = fn(t).
  void LoadFunction(int count, const std::function<double(double)>& fn, double t0 = 0,
                    double dt = 1) {
    std::vector<double> t, x;
    for (int k = 0; k < count; ++k) {
      t.push_back(t0 + k * dt);
      x.push_back(fn(t0 + k * dt));
    }
    Load(t, x);
  }

  // The command's sequence: the preliminary parabola, then the method.
  int Run(int method, int m = 3) {
    int prelim = 1;
    engine->lsq.m = 3;
    Approximate(*engine, prelim);
    engine->lsq.m = method == 8 ? 5 : m;
    Approximate(*engine, method);
    return method;
  }

  const ApproxState& A() const { return engine->approx; }
  const LsqState& S() const { return engine->lsq; }
};

}  // namespace teril::testing

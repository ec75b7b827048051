// An engine with a series loaded directly, and small helpers shared by the
// tests of the running parabola and the scalegrams.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "support/scripted_host.h"

namespace teril::testing {

class SmoothingTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine->console.writeLogFile = false;
    engine->run.inputFile = "star.dat";
  }

  // Loads the points (0-based vectors) as the whole visible window, with
  // the whole-set signal range of a full view.
  void Load(const std::vector<double>& t, const std::vector<double>& x) {
    DataSet& d = engine->data;
    d.n = static_cast<int>(t.size());
    double lo = x.empty() ? 0 : x[0], hi = lo;
    for (int i = 0; i < d.n; ++i) {
      d.t[i + 1] = t[i];
      d.x[i + 1] = x[i];
      d.s[i + 1] = 1;
      lo = std::min(lo, x[i]);
      hi = std::max(hi, x[i]);
    }
    ViewState& v = engine->view;
    v.firstVisible = 1;
    v.lastVisible = d.n;
    if (d.n > 0) {
      v.tMin = t.front();
      v.tMax = t.back();
    }
    v.xMinAll = lo;
    v.xMaxAll = hi;
  }

  // Index of the first log line equal to `line`, or -1.
  int LogIndex(const std::string& line) const {
    for (std::size_t i = 0; i < host.log.size(); ++i)
      if (host.log[i] == line) return static_cast<int>(i);
    return -1;
  }
};

// A fixed-seed generator of uniform numbers in [0, 1).
class Uniform {
 public:
  explicit Uniform(std::uint64_t seed) : state_(seed) {}
  double operator()() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t state_;
};

// n unevenly spaced ascending times (gaps drawn from 0.05 .. 2.05) with a
// sine of period 17 plus noise of +-0.05 around 10.
inline void UnevenSeries(int n, std::uint64_t seed, std::vector<double>& t,
                         std::vector<double>& x) {
  Uniform r(seed);
  t.assign(n, 0);
  x.assign(n, 0);
  double now = 100;
  for (int i = 0; i < n; ++i) {
    now += 0.05 + 2 * r();
    t[i] = now;
    x[i] = 10 + 0.3 * std::sin(now / 17 * 6.283185307179586) + 0.1 * (r() - 0.5);
  }
}

}  // namespace teril::testing

// The fixture of the periodogram command's tests: an engine with a
// recording canvas and light curves made on the spot.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril {

constexpr double kPi = std::numbers::pi;

class PeriodogramCommandTest : public testing::EngineTest {
 public:
  testing::RecordingCanvas canvas;

  void SetUp() override {
    EngineTest::SetUp();
    engine->console.writeLogFile = false;
    engine->run.inputFile = "star.dat";
    engine->run.outputFile = "star.da$";
    AttachCanvas(*engine, &canvas);
  }

  // Loads the points as the whole visible set, each with error s.
  void Load(const std::vector<double>& t, const std::vector<double>& x,
            const std::vector<double>& s = {}) {
    DataSet& d = engine->data;
    d.n = static_cast<int>(t.size());
    for (int i = 1; i <= d.n; ++i) {
      d.t[i] = d.t0[i] = t[i - 1];
      d.x[i] = x[i - 1];
      d.s[i] = s.empty() ? 1.0 : s[i - 1];
      d.observer[i] = ObserverCode("AB");
    }
    d.weightsLoaded = !s.empty();
    ViewState& v = engine->view;
    v.firstVisible = 1;
    v.lastVisible = d.n;
    v.tMin = *std::min_element(t.begin(), t.end());
    v.tMax = *std::max_element(t.begin(), t.end());
  }

  // `n` random times over `span` days from 2450000, x = 12 + A cos(2 pi f0 t).
  void LoadSinusoid(int n, double span, double f0, double A, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(0, span);
    std::vector<double> t(n), x;
    for (auto& v : t) v = 2450000 + u(gen);
    std::sort(t.begin(), t.end());
    for (double v : t) x.push_back(12 + A * std::cos(2 * kPi * f0 * (v - 2450000)));
    Load(t, x);
  }

  // `n` random times over 30 days (sorted): the even points follow
  // cos(2 pi 0.5 t) with error 0.01, the odd ones a stronger wave
  // 3 cos(2 pi 1.7 t) with error 1.
  static void TwoWaves(int n, std::vector<double>& t, std::vector<double>& x,
                       std::vector<double>& s) {
    std::mt19937 gen(4);
    std::uniform_real_distribution<double> u(0, 30);
    t.assign(n, 0);
    x.clear();
    s.clear();
    for (auto& v : t) v = u(gen);
    std::sort(t.begin(), t.end());
    for (std::size_t i = 0; i < t.size(); ++i) {
      x.push_back(i % 2 ? 3 * std::cos(2 * kPi * 1.7 * t[i]) : std::cos(2 * kPi * 0.5 * t[i]));
      s.push_back(i % 2 ? 1.0 : 0.01);
    }
  }

  double Span() const {
    const DataSet& d = engine->data;
    return d.t[d.n] - d.t[1];
  }

  // The numbers of the first row of the peak table: rank, frequency, period,
  // power, semi-amplitude and, for method 1, the false-alarm probability
  // (the "+-" between a value and its error left out). `heading` is the
  // line above the column names.
  std::vector<double> FirstPeak(const std::string& heading = "Highest peaks:") const {
    auto it = std::find(host.log.begin(), host.log.end(), heading);
    EXPECT_NE(it, host.log.end());
    if (it == host.log.end() || it + 2 >= host.log.end()) return {};
    std::istringstream row(*(it + 2));
    std::vector<double> fields;
    std::string word;
    while (row >> word)
      if (word != "+-") fields.push_back(ParseNumber(word).value_or(-1));
    return fields;
  }
};

}  // namespace teril

// An engine with a recording canvas attached and a small data set.
#pragma once

#include <string>
#include <vector>

#include "engine/engine.h"
#include "plot/cursor.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril::testing {

class PlotTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    AttachCanvas(*engine, &canvas);
  }

  // Loads points (t, x) with observer codes (all "AB" when none are given)
  // and the print format 8:3 for both columns.
  void Load(const std::vector<double>& t, const std::vector<double>& x,
            const std::vector<std::string>& observers = {}) {
    DataSet& d = engine->data;
    d.n = static_cast<int>(t.size());
    for (int i = 1; i <= d.n; ++i) {
      d.t[i] = d.t0[i] = t[i - 1];
      d.x[i] = x[i - 1];
      d.s[i] = 1.0;
      d.observer[i] = ObserverCode(observers.empty() ? "AB" : observers[i - 1]);
    }
    d.tWidth = 8;
    d.tDecimals = 3;
    d.xWidth = 8;
    d.xDecimals = 3;
    engine->view.StartFile();
    engine->checks.inverseX = false;
  }

  // Evenly spaced times 0, 1, ..., n-1 with x = sin-like zigzag values.
  void LoadLine(int n) {
    std::vector<double> t, x;
    for (int i = 0; i < n; ++i) {
      t.push_back(i);
      x.push_back(10 + (i % 7) * 0.25);
    }
    Load(t, x);
  }

  ViewState& v() { return engine->view; }

  // What the key loop does with a command's continuation.
  void Run(Continuation c) {
    switch (c) {
      case Continuation::Full:
        ResetView(*engine);
        break;
      case Continuation::Rescale:
        RescaleSignal(*engine);
        break;
      case Continuation::Redraw:
        Redraw(*engine);
        break;
      case Continuation::Window:
        MoveWindow(*engine);
        break;
      case Continuation::Wrap:
        WrapCurrent(*engine);
        break;
      default:
        break;
    }
  }

  // Texts drawn since the last Clear at (x, y).
  std::vector<std::string> TextsAt(int x, int y) const {
    std::vector<std::string> out;
    for (auto& c : canvas.Texts())
      if (c.a == x && c.b == y) out.push_back(c.text);
    return out;
  }
  // The one text drawn at (x, y) since the last Clear, "" when none.
  std::string TextAt(int x, int y) const {
    auto all = TextsAt(x, y);
    return all.empty() ? std::string() : all.back();
  }

  RecordingCanvas canvas;
};

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kNavy{0, 0, 128};
constexpr Rgb kMaroon{128, 0, 0};

}  // namespace teril::testing

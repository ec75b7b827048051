// An engine with a recording canvas for the intervals file and the batch:
// data sets made of blocks of points, in the order a bootstrap file has
// them (every block starts again at the first time).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "plot/draw.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril::testing {

class BatchTest : public EngineTest {
 protected:
  RecordingCanvas canvas;

  void SetUp() override {
    EngineTest::SetUp();
    engine->console.writeLogFile = false;
    engine->run.inputFile = "star.dat";
    AttachCanvas(*engine, &canvas);
  }

  // `blocks` blocks of the times 0, 1, ..., perBlock - 1; block b (from 1)
  // has x = f(b, t). Every point visible. Into `target`, or the fixture's engine.
  void LoadBlocks(int blocks, int perBlock, const std::function<double(int, double)>& f,
                  Engine* target = nullptr) {
    Engine& e = target ? *target : *engine;
    DataSet& d = e.data;
    d.n = blocks * perBlock;
    for (int b = 1; b <= blocks; ++b)
      for (int k = 0; k < perBlock; ++k) {
        const int i = (b - 1) * perBlock + k + 1;
        d.t[i] = d.t0[i] = k;
        d.x[i] = f(b, k);
        d.observer[i] = ObserverCode("AB");
      }
    d.tWidth = 8;
    d.tDecimals = 3;
    d.xWidth = 8;
    d.xDecimals = 4;
    e.view.firstVisible = 1;
    e.view.lastVisible = d.n;
    e.view.tMin = 0;
    e.view.tMax = perBlock - 1;
  }

  // One block of points x = f(t) at t = 0..count-1.
  void LoadCurve(int count, const std::function<double(double)>& f) {
    LoadBlocks(1, count, [&f](int, double t) { return f(t); });
  }

  void Check(std::initializer_list<int> methods, bool newResultFile = false) {
    for (int k = 1; k <= kChoosableMethods; ++k) engine->batch.methodChecked[k] = false;
    for (int k : methods) engine->batch.methodChecked[k] = true;
    engine->batch.newResultFile = newResultFile;
  }

  // The engine waits for a key, as during a file run.
  void AwaitKey() {
    engine->console.waitingForInput = 1;
    engine->console.inputMode = kModeKey;
    engine->console.atCommandKey = true;
  }
};

}  // namespace teril::testing

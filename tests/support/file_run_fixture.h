// An engine with a recording canvas that runs a data file on scripted keys.
#pragma once

#include <initializer_list>
#include <string>

#include "console/file_run.h"
#include "data/settings.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "support/recording_canvas.h"
#include "support/scripted_host.h"

namespace teril::testing {

class FileRunTest : public EngineTest {
 protected:
  RecordingCanvas canvas;

  // Queues the keys, starts from the settings of a fresh program and runs
  // the file until the keys run out.
  void Run(const std::string& path, std::initializer_list<std::string> keys) {
    host.Add(keys);
    ResetEngine(*engine, true);
    AttachCanvas(*engine, &canvas);
    RunDataFile(*engine, path);
  }
};

}  // namespace teril::testing

// A console host and dialogs that answer nothing, and the data sets, for
// benchmarks.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "console/console.h"
#include "console/console_host.h"
#include "console/dialogs.h"
#include "engine/engine.h"

namespace teril::bench {

class QuietHost : public ConsoleHost {
 public:
  void AppendLog(const std::string&) override {}
  void Wait(Console& console) override { console.CommandFieldEnter("\x1b"); }
  void MessageBox(const std::string&) override {}
  std::string InputBox(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  void StdOut(const std::string&) override {}
};

class NoDialogs : public Dialogs {
 public:
  using Dialogs::EditFields;
  bool EditFields(const std::string&, const std::string&, std::vector<DialogField>&,
                  const std::string&) override {
    return false;
  }
  std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFile(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  bool YesNo(const std::string&) override { return false; }
  bool CheckList(const std::string&, const std::vector<std::string>&, std::vector<bool>&) override {
    return false;
  }
  bool ChooseMethods(MethodChoice&) override { return false; }
};

// Makes a fresh folder of that name in the temporary folder and makes it
// current: result files and the settings of a benchmark's engine go there.
inline std::filesystem::path BenchFolder(const std::string& name) {
  const auto folder = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  return folder;
}

// An engine whose work folder lies in `folder` and which writes no ZR.log.
inline std::unique_ptr<Engine> QuietEngine(ConsoleHost& host, Dialogs& dialogs,
                                           const std::filesystem::path& folder) {
  EngineOptions options;
  options.workFolder = (folder / "work").string();
  auto engine = std::make_unique<Engine>(host, dialogs, options);
  engine->console.writeLogFile = false;
  return engine;
}

// Every point 1..n visible, the window from the first to the last time.
inline void ShowAllPoints(Engine& e) {
  e.view.firstVisible = 1;
  e.view.lastVisible = e.data.n;
  e.view.tMin = e.data.t[1];
  e.view.tMax = e.data.t[e.data.n];
}

// n points over 0.4 d of an eclipse at t = 2450000.21 with a flat bottom
// (depth 1, half-width 0.13 d) and a little deterministic noise, all visible.
inline void LoadFlatEclipse(Engine& e, int n) {
  std::uint64_t state = 12345;
  DataSet& d = e.data;
  d.n = n;
  d.tWidth = 13;
  d.tDecimals = 5;
  d.xWidth = 8;
  d.xDecimals = 4;
  for (int k = 1; k <= n; ++k) {
    const double t = 2450000.0 + 0.4 * (k - 1) / (n - 1);
    const double a = std::fabs(t - 2450000.21) - 0.03;
    double x = 11.0;
    if (a > 0) x = a >= 0.1 ? 10.0 : 11.0 - (1 - std::pow(1 - a / 0.1, 2.0));
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    x += 0.01 * (static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5);
    d.t[k] = d.t0[k] = t;
    d.x[k] = x;
  }
  ShowAllPoints(e);
}

}  // namespace teril::bench

// A console host and dialogs that answer nothing, for benchmarks.
#pragma once

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

}  // namespace teril::bench

#include "engine/engine.h"

#include <cstdlib>

#include "engine/named_command.h"

namespace teril {

Engine::Engine(ConsoleHost& h, Dialogs& d, EngineOptions opts)
    : host(h), dialogs(d), console(h), options(std::move(opts)) {
  if (options.workFolder.empty()) options.workFolder = WorkFolderFromEnvironment();
  run.workFolder = options.workFolder;
  console.runNamedCommand = [this](const std::string& name) { return RunNamedCommand(*this, name); };
}

void Engine::StartFile() {
  data.StartFile();
  line.StartFile();
  // The view of a newly opened file, the reading position of "]" in its
  // marks file included.
  view.StartFile();
  runningParabola.StartFile();
  correlation.StartFile();
  prewhitening.StartFile();
  timeSystem.StartFile();
}

std::string WorkFolderFromEnvironment() {
  if (const char* v = std::getenv("TERIL_HOME"); v && *v) return v;
  if (const char* v = std::getenv("XDG_CONFIG_HOME"); v && *v) return std::string(v) + "/teril";
  if (const char* v = std::getenv("HOME"); v && *v) return std::string(v) + "/.config/teril";
  return ".teril";
}

}  // namespace teril

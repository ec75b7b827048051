// The hidden File item that writes the bootstrap samples.
#include "engine/engine.h"
#include "engine/named_command.h"
#include "periodicity/bootstrap.h"

namespace teril {

std::vector<NamedCommand> BootstrapCommands() {
  return {
      // Into the current folder, the data file's folder.
      {.name = "GenerateBootstrap1",
       .menu = "File",
       .caption = "Generate Bootstrap",
       .handler = [](Engine& e) { WriteBootstrap(e, kBootstrapFile); },
       .visible = false},
  };
}

}  // namespace teril

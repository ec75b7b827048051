// Menu items of the bootstrap samples.
#include "engine/engine.h"
#include "engine/named_command.h"
#include "periodicity/bootstrap.h"

namespace teril {

std::vector<NamedCommand> BootstrapCommands() {
  // Into the current folder, the data file's folder.
  NamedCommand c = MenuEntry(
      "GenerateBootstrap1", "File", "Generate Bootstrap", "",
      [](Engine& e) { WriteBootstrap(e, kBootstrapFile); }, "Savevis1");
  c.visible = false;
  return {c};
}

}  // namespace teril

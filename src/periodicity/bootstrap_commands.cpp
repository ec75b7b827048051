// Menu items of the bootstrap samples.
#include "engine/engine.h"
#include "engine/named_command.h"
#include "periodicity/bootstrap.h"

namespace teril {

std::vector<NamedCommand> BootstrapCommands() {
  NamedCommand c;
  c.name = "GenerateBootstrap1";
  c.menu = "File";
  c.caption = "Generate Bootstrap";
  c.visible = false;
  // Into the current folder, the data file's folder.
  c.handler = [](Engine& e) { WriteBootstrap(e, kBootstrapFile); };
  c.after = "Savevis1";
  return {c};
}

}  // namespace teril

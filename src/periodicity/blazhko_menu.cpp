// The Blazhko effect menu: the two-frequency fit and its dialog.
#include "engine/named_command.h"
#include "periodicity/blazhko.h"

namespace teril {

std::vector<NamedCommand> BlazhkoCommands() {
  return {
      {.name = "Blazhkoeffect1",
       .menu = "Blazhko effect",
       .caption = "Blazhko effect",
       .handler = RunBlazhkoCommand},
  };
}

}  // namespace teril

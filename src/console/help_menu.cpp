// The Help menu: About, the program's own text.
#include "console/commands.h"
#include "console/menus.h"
#include "engine/engine.h"

#ifndef TERIL_VERSION
#define TERIL_VERSION "unknown"
#endif

namespace teril {

std::vector<NamedCommand> HelpMenuCommands() {
  return {
      {.name = "about",
       .menu = "Help",
       .caption = "About",
       .handler = [](Engine& e) { e.host.MessageBox(AboutText()); },
       .action = true,
       .itemName = "About1"},
  };
}

const std::string& AboutText() {
  static const std::string text =
      "TERIL - analysis of light curves of variable stars\n"
      "Version " TERIL_VERSION "\n"
      "\n"
      "TERIL is the windowed version of the older console program ZR. Its engine "
      "still works as that console program did: it prints lines to the log pane "
      "(and to ZR.log), asks for values in the command field and reads one key at "
      "a time. Every menu item hands the engine the key that the console program "
      "understood, so the keys typed in the command field and the menus do the "
      "same.\n"
      "\n"
      "The program loads, shows, edits and saves a series of observations; "
      "determines the moments of extrema with their errors; smooths and "
      "describes the series; and studies its periodicity. The methods are "
      "described in the program's documentation.\n"
      "\n"
      "The console-style commands and their keys come from ZR.";
  return text;
}

}  // namespace teril

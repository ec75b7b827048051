// The two ways the program runs: in its window, or in a terminal.
#pragma once

#include <string>
#include <vector>

namespace teril {

// `params` are the command-line parameters after the program name (and
// after --console). Both return the process's exit status.
int RunWindowMode(int argc, char** argv, const std::vector<std::string>& params);
int RunConsoleMode(int argc, char** argv, const std::vector<std::string>& params);

}  // namespace teril

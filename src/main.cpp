// teril [datafile [columnX [outfile|=|- [headerLines]]]]      the window
// teril --console [datafile [columnX [outfile|=|- [headerLines]]]]
//                                        the same engine in a terminal
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "window/app.h"

int main(int argc, char** argv) {
  std::vector<std::string> params;
  bool console = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--console") == 0 && !console && params.empty()) {
      console = true;
      continue;
    }
    // --screenshot FILE: grab the window into FILE once the file has loaded
    // and exit (used to make the picture of the documentation).
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      ++i;
      continue;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout << "usage: teril [--console] [datafile [columnX [outfile|=|- [headerLines]]]]\n"
                   "  --console  run the engine in this terminal: answers are read from\n"
                   "             standard input, one line each; log lines are printed\n";
      return 0;
    }
    params.emplace_back(argv[i]);
  }
  if (console) return teril::RunConsoleMode(argc, argv, params);
  return teril::RunWindowMode(argc, argv, params);
}

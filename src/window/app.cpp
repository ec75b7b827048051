#include "window/app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <iostream>

#include "console/engine.h"
#include "console/file_run.h"
#include "console/io.h"
#include "console/terminal_host.h"
#include "data/settings.h"
#include "window/main_window.h"

namespace teril {

int RunWindowMode(int argc, char** argv, const std::vector<std::string>& params) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("TERIL");
  QApplication::setApplicationDisplayName("TERIL");
  MainForm window(params);
  window.show();
  return app.exec();
}

int RunConsoleMode(int, char**, const std::vector<std::string>& params) {
  TerminalHost host(std::cin, std::cout);
  Engine engine(host, host);
  engine.run.args = params;
  try {
    ResetEngine(engine, true);
    std::string path;
    if (!params.empty()) {
      QFileInfo info(QString::fromStdString(params[0]));
      QDir::setCurrent(info.absolutePath());
      path = info.absoluteFilePath().toStdString();
    }
    engine.run.lastOpenedPath = path;
    RunDataFile(engine, path);
  } catch (const ProgramExit& e) {
    return e.code;
  } catch (const std::exception& e) {
    std::cout << "teril: " << e.what() << std::endl;
    return 1;
  }
  return 0;
}

}  // namespace teril

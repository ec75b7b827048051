#include "window/app.h"

#include "window/plot_recording.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <cstring>
#include <iostream>

#include "console/commands.h"
#include "engine/engine.h"
#include "base/io.h"
#include "console/terminal_host.h"
#include "plot/draw.h"
#include "window/main_window.h"
#include "window/plot_recording.h"
#include "window/qt_canvas.h"

namespace teril {

namespace {

// "--screenshot FILE" (for the documentation): the window is grabbed into
// FILE at the first key wait, and the program then exits as File > Exit does.
QString ScreenshotFile(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--screenshot") == 0) return QString::fromLocal8Bit(argv[i + 1]);
  return {};
}

}  // namespace

int RunWindowMode(int argc, char** argv, const std::vector<std::string>& params) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("TERIL");
  MainForm window(params);
  const QString shot = ScreenshotFile(argc, argv);
  if (!shot.isEmpty()) {
    // The whole screen, so that the picture shows the plot as it grows.
    if (QScreen* screen = QGuiApplication::primaryScreen())
      window.setGeometry(screen->availableGeometry());
    window.SetWaitHook([&window, shot] {
      if (window.engine().console.inputMode != kModeKey) return;
      window.RefreshImage();
      if (!window.grab().save(shot))
        std::cerr << "teril: cannot write " << shot.toStdString() << "\n";
      window.Action("ExitAct")->trigger();
    });
  }
  window.show();
  return app.exec();
}

int RunConsoleMode(int, char**, const std::vector<std::string>& params) {
  TerminalHost host(std::cin, std::cout, std::cerr);
  Engine engine(host, host);
  engine.run.args = params;
  host.hasUnsavedChanges = [&engine] { return engine.run.modified; };
  // The console mode draws on an offscreen bitmap, so that the commands
  // that save the plot work here too.
  QtCanvas canvas(MainForm::kPlotWidth, MainForm::kPlotHeight);
  QtCanvas map(MainForm::kMapSize, MainForm::kMapSize);
  canvas.Clear();
  map.Clear();
  // Recorded, so that File > Export plot... draws it sharp here too.
  canvas.SetRecording(true);
  canvas.SetOverlay(&map);
  AttachCanvas(engine, &canvas);
  engine.mapCanvas = &map;
  int status = 0;
  try {
    OpenDataFile(engine, params.empty() ? std::string() : params[0], false);
  } catch (const ProgramExit& e) {
    status = e.code;
  } catch (const std::exception& e) {
    std::cout << "teril: " << e.what() << std::endl;
    status = 1;
  }
  // A script that ran out before it saved its edits must not look like one
  // that did what it was meant to.
  if (status == 0 && host.EndedWithUnsavedChanges()) {
    std::cerr << "teril: the input ended while the data had unsaved changes; they were not "
                 "saved\n";
    status = 2;
  }
  engine.canvas = nullptr;
  engine.mapCanvas = nullptr;
  EndGuiApplication();
  return status;
}

}  // namespace teril

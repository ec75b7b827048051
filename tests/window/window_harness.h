// A main window whose modal boxes answer from lists, and which runs one
// scripted step inside each wait of the engine.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "window/main_window.h"

namespace teril::testing {

class TestForm : public MainForm {
 public:
  explicit TestForm(std::vector<std::string> params = {}) : MainForm(std::move(params)) {
    SetExitHandler([this](int code) { exitCode = code; });
    SetWaitHook([this] { Step(); });
    // A safety net: a step that never answers must not hang the tests.
    watchdog_.setSingleShot(true);
    watchdog_.callOnTimeout([this] { ExitProgram(9); });
    watchdog_.start(60000);
  }

  std::deque<std::function<void()>> steps;  // one per wait, in order
  std::deque<std::string> fileAnswers;      // open and save dialogs ("" cancels)
  std::deque<std::string> inputAnswers;     // input boxes
  std::vector<std::string> messages;        // message boxes shown
  std::function<void()> onMessage;          // runs inside a message box
  int exitCode = -1;
  int extraWaits = 0;

  void MessageBox(const std::string& text) override {
    messages.push_back(text);
    if (onMessage) onMessage();
  }
  std::string InputBox(const std::string&, const std::string&,
                       const std::string& defaultText) override {
    if (inputAnswers.empty()) return defaultText;
    std::string a = inputAnswers.front();
    inputAnswers.pop_front();
    return a;
  }
  std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
    if (fileAnswers.empty() || fileAnswers.front().empty()) return std::nullopt;
    std::string a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
  }
  std::optional<std::string> SaveFile(const std::string& t, const std::string& f,
                                      const std::string&) override {
    return OpenFile(t, f);
  }

  // Shows the window and makes it active, so that its shortcuts work.
  void ShowActive() {
    show();
    activateWindow();
    // A run that closes the window meanwhile leaves nothing to wait for.
    (void)QTest::qWaitFor([this] { return isActiveWindow() || Quitting() || !isVisible(); });
  }

  // Types a line into the command field and presses Enter.
  void Type(const QString& line) {
    Edit1()->setText(line);
    QTest::keyClick(Edit1(), Qt::Key_Return);
  }

  // The log pane's lines.
  QStringList LogLines() const { return Memo1()->toPlainText().split('\n'); }
  int CountLog(const QString& line) const { return static_cast<int>(LogLines().count(line)); }

  // Waits (without timing anything) until the file run started by the
  // window has ended: every step taken and the run over, or the program.
  bool RunEnded() {
    return QTest::qWaitFor(
        [this] {
          return Quitting() ||
                 (steps.empty() && !engine().run.inFileRun && CountLog("  InputFile=") > 0);
        },
        30000);
  }

 private:
  QTimer watchdog_;
  // The next step; without one the run is ended with Esc (and the program
  // after many more waits, so that a test can never hang).
  void Step() {
    // The start-up file may be opened before the window manager has made
    // the window active; shortcuts need an active window.
    if (!isActiveWindow()) {
      activateWindow();
      (void)QTest::qWaitForWindowActive(this);
    }
    if (!steps.empty()) {
      auto s = std::move(steps.front());
      steps.pop_front();
      s();
      return;
    }
    if (++extraWaits > 20) {
      ExitProgram(9);
      return;
    }
    Type("\x1b");
  }
};

}  // namespace teril::testing

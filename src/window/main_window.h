// The main window: plot, log pane, command field, and the console host and
// dialogs through which the engine talks to the user.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "console/console_host.h"
#include "console/dialogs.h"

class QEventLoop;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace teril {

class Engine;

class MainForm : public QMainWindow, public ConsoleHost, public Dialogs {
  Q_OBJECT

 public:
  explicit MainForm(std::vector<std::string> params, QWidget* parent = nullptr);
  ~MainForm() override;

  Engine& engine() { return *engine_; }
  QPlainTextEdit* Memo1() const { return memo_; }
  QLineEdit* Edit1() const { return edit_; }

  // Opens a data file and runs the file run on it (returns when it ends).
  void OpenPath(const QString& path, bool changeFolder);
  // True while a file run is in progress.
  bool InFileRun() const { return inRun_; }
  // Ends the program: unwinds a running wait and quits the application.
  void ExitProgram(int code);

  // --- ConsoleHost ---
  void AppendLog(const std::string& line) override;
  void Wait(Console& console) override;
  void FocusCommandField() override;
  void ClearCommandField() override;
  void SetCaption(const std::string& c) override;
  void SetAppTitle(const std::string& t) override;
  void Beep() override;
  void MessageBox(const std::string& text) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultText) override;
  void StdOut(const std::string& line) override;

  // --- Dialogs ---
  bool EditFields(const std::string& name, const std::string& caption,
                  std::vector<DialogField>& fields) override;
  std::optional<std::string> OpenFile(const std::string& title,
                                      const std::string& filter) override;
  std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                      const std::string& defaultExt) override;
  bool YesNo(const std::string& caption) override;
  bool CheckList(const std::string& caption, const std::vector<std::string>& items,
                 std::vector<bool>& checked) override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* e) override;

 private:
  void BuildLayout();
  void CommandEntered();
  // Quits the running wait when its answer has arrived.
  void WakeIfAnswered();
  // Runs a handler that may call into the engine; no exception escapes.
  template <typename F>
  void Guarded(F&& f);

  std::unique_ptr<Engine> engine_;
  std::vector<std::string> params_;
  QLabel* image_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QEventLoop* waitLoop_ = nullptr;
  bool inRun_ = false;
  bool quitting_ = false;
  int exitCode_ = 0;
  bool startFileOpened_ = false;
};

// Qt's filter syntax for a stored filter "desc|mask|desc|mask".
QString QtFilter(const std::string& stored);

}  // namespace teril

// The main window: plot, log pane, command field, menus, tool bar and
// shortcuts built from the registry of named commands, and the console host
// and dialogs through which the engine talks to the user.
//
// The engine runs on this thread. A file run is started from an event
// handler and returns only when it ends; while it waits for input, Wait runs
// a nested QEventLoop, so menus, shortcuts, dialogs and repaints work inside
// the wait.
#pragma once

#include <QHash>
#include <QKeySequence>
#include <QMainWindow>
#include <QSet>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/console_host.h"
#include "console/dialogs.h"
#include "window/qt_canvas.h"

class QAction;
class QEventLoop;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTimer;

namespace teril {

class Engine;
class HelpPage;
class ResultsPanel;
struct NamedCommand;
class PlotMouse;
class PlotView;

// The status line's text for the current point: index, t, x and observer.
QString PointStatusText(const Engine& engine);
// Exit of the File menu or of the menu bar.
bool IsExitCommand(const NamedCommand& c);

class MainForm : public QMainWindow, public ConsoleHost, public Dialogs {
  Q_OBJECT

 public:
  // Width and height of the plot bitmap.
  static constexpr int kPlotWidth = 673;
  static constexpr int kPlotHeight = 373;
  static constexpr int kMapSize = 209;

  explicit MainForm(std::vector<std::string> params, QWidget* parent = nullptr);
  ~MainForm() override;

  Engine& engine() { return *engine_; }
  QPlainTextEdit* Memo1() const { return memo_; }
  QLineEdit* Edit1() const { return edit_; }
  PlotView* image() const { return image_; }
  PlotMouse* plotMouse() const { return plotMouse_; }
  QtCanvas& plotCanvas() { return canvas_; }
  // The action of a registry entry, by its name ("Open", "Sort1").
  QAction* Action(const QString& name) const { return actions_.value(name, nullptr); }

  // Opens a data file and runs file runs until none is pending (returns
  // when the last one ends). `reopen`: keep the folder.
  void OpenPath(const QString& path, bool reopen = false);
  // Runs a registry command as its menu item does; nothing escapes.
  void RunCommand(const NamedCommand& command);
  // Ends the program: every running wait unwinds and the application
  // leaves its event loop with `code`.
  void ExitProgram(int code);
  bool Quitting() const { return quitting_; }

  // Called inside every wait, once the wait's event loop runs (tests and
  // the screenshot option drive the window with it).
  void SetWaitHook(std::function<void()> hook) { waitHook_ = std::move(hook); }
  // Replaces QCoreApplication::exit as the last step of ExitProgram.
  void SetExitHandler(std::function<void(int)> h) { exitHandler_ = std::move(h); }
  // Answers "Save changes to <file>?" instead of the message box (tests).
  void SetSaveQuestionHook(std::function<SaveChoice(const QString& file)> hook) {
    saveQuestion_ = std::move(hook);
  }

  // Exit, closing the window: when the data set has unsaved edits, asks
  // whether to save them. True when the program may go on to end (saved or
  // discarded); false for Cancel and for a save that failed (said in a
  // message box).
  bool ConfirmUnsavedEdits();
  // Title mark, prompt line and status line from the engine's state.
  void UpdateChrome();

  ResultsPanel* results() const { return results_; }
  QLabel* promptLine() const { return promptLine_; }
  QLabel* pointStatus() const { return pointStatus_; }
  QLabel* valueStatus() const { return valueStatus_; }
  QSplitter* splitter() const { return splitter_; }
  // The INI file that keeps the window's size, position and splits.
  QString WindowSettingsFile() const;

  // Brings the plot control up to date with the drawing.
  void RefreshImage();
  // A click on the plot at canvas pixel (px, py): the nearest point becomes
  // current, while the engine waits for a key.
  void PlotClickAt(int px, int py);

  // --- ConsoleHost ---
  void AppendLog(const std::string& line) override;
  void Wait(Console& console) override;
  void FocusCommandField() override;
  void ClearCommandField() override;
  void SetCaption(const std::string& c) override;
  void FileWritten(const std::string& path, const std::string& command) override;
  void ShowStatus(const std::string& text) override;
  void SetAppTitle(const std::string& t) override;
  void Beep() override;
  void MessageBox(const std::string& text) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultText) override;
  void StdOut(const std::string& line) override;
  // Long work: a progress bar and a Cancel button in the status bar; the
  // window repaints and handles its events at most every 50 ms.
  bool Progress(long long done, long long total, const std::string& what) override;
  void EndProgress() override;
  bool Busy() const { return busy_; }
  QProgressBar* progressBar() const { return progressBar_; }
  QPushButton* cancelButton() const { return cancelButton_; }

  // --- Dialogs (window_dialogs.cpp) ---
  using Dialogs::EditFields;
  bool EditFields(const std::string& name, const std::string& caption,
                  std::vector<DialogField>& fields, const std::string& note) override;
  std::optional<std::string> OpenFile(const std::string& title, const std::string& filter) override;
  std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                      const std::string& defaultExt) override;
  bool YesNo(const std::string& caption) override;
  SaveChoice SaveChanges(const std::string& file, const std::string& question) override;
  bool CheckList(const std::string& caption, const std::vector<std::string>& items,
                 std::vector<bool>& checked) override;
  // "Choose method" (choose_method_dialog.h).
  bool ChooseMethods(MethodChoice& choice) override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void BuildLayout();
  void BuildActions();
  // Status line, tool tips and help pages (main_window_chrome.cpp).
  void BuildChrome();
  void RestorePlacement();
  void SavePlacement();
  void CommandEntered();
  // Logs the refusal and returns true while long work runs (busy_).
  bool RefusedWhileBusy();
  void SaveLog();
  bool CharacterTyped(QKeyEvent* key);
  // Quits the running wait when its answer has arrived.
  void WakeIfAnswered();
  // Check marks and enabled states from the engine.
  void UpdateActions();
  // Runs f; ProgramExit ends the program, any other failure is shown.
  void Guarded(const std::function<void()>& f);

  std::unique_ptr<Engine> engine_;
  std::vector<std::string> params_;
  QtCanvas canvas_{kPlotWidth, kPlotHeight};
  QtCanvas map_{kMapSize, kMapSize};
  PlotView* image_ = nullptr;
  PlotMouse* plotMouse_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QSplitter* splitter_ = nullptr;     // plot | log and results
  QSplitter* logSplitter_ = nullptr;  // log above results
  ResultsPanel* results_ = nullptr;
  QLabel* promptLine_ = nullptr;
  QLabel* pointStatus_ = nullptr;
  QLabel* valueStatus_ = nullptr;
  QString caption_;
  QHash<QString, HelpPage*> helpPages_;
  std::function<SaveChoice(const QString&)> saveQuestion_;
  QLineEdit* edit_ = nullptr;
  QTimer* repaintTimer_ = nullptr;
  QHash<QString, QAction*> actions_;
  QSet<QKeySequence> shortcuts_;  // every registered shortcut, once
  QEventLoop* waitLoop_ = nullptr;
  std::function<void()> waitHook_;
  std::function<void(int)> exitHandler_;
  bool quitting_ = false;
  // Long work in progress: menu commands are refused (but for those marked
  // to run while busy), Cancel asks the work to stop.
  bool busy_ = false, stopRequested_ = false;
  QProgressBar* progressBar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  qint64 lastEvents_ = 0;
  int exitCode_ = 0;
  bool startFileOpened_ = false;
};

// Qt's filter syntax for a stored filter "desc|mask|desc|mask".
QString QtFilter(const std::string& stored);

// The full title of the main window.
QString ProgramTitle();

}  // namespace teril

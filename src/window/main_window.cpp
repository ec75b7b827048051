#include "window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <iostream>

#include "console/commands.h"
#include "engine/engine.h"
#include "base/io.h"
#include "plot/cursor.h"
#include "plot/draw.h"
#include "window/plot_mouse.h"
#include "window/plot_view.h"
#include "window/results_panel.h"

namespace teril {

QString ProgramTitle() { return "TERIL - analysis of light curves of variable stars"; }

MainForm::MainForm(std::vector<std::string> params, QWidget* parent)
    : QMainWindow(parent), params_(std::move(params)) {
  engine_ = std::make_unique<Engine>(*this, *this);
  engine_->run.args = params_;
  canvas_.Clear();
  map_.Clear();
  // The plot control paints from the recording, the residual map over it.
  canvas_.SetRecording(true);
  canvas_.SetOverlay(&map_);
  AttachCanvas(*engine_, &canvas_);
  engine_->mapCanvas = &map_;
  BuildLayout();
  BuildActions();
  BuildChrome();
  caption_ = ProgramTitle();
  setWindowTitle(caption_);
  RestorePlacement();
  exitHandler_ = [](int code) { QCoreApplication::exit(code); };
  qApp->installEventFilter(this);
  // Drawing shows without a flush from the engine: the image control is
  // brought up to date whenever the bitmap has changed.
  repaintTimer_ = new QTimer(this);
  repaintTimer_->setInterval(100);
  connect(repaintTimer_, &QTimer::timeout, this, &MainForm::RefreshImage);
  connect(repaintTimer_, &QTimer::timeout, this, &MainForm::UpdateChrome);
  repaintTimer_->start();
}

MainForm::~MainForm() {
  qApp->removeEventFilter(this);
  engine_->canvas = nullptr;
  engine_->mapCanvas = nullptr;
}

void MainForm::BuildLayout() {
  auto* central = new QWidget(this);
  central->setStyleSheet("background: white;");
  auto* splitter = splitter_ = new QSplitter(Qt::Horizontal, central);
  splitter->setObjectName("Splitter1");
  auto* left = new QWidget(splitter);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(4, 4, 4, 4);
  image_ = new PlotView(canvas_, left);
  image_->setObjectName("image");
  plotMouse_ = new PlotMouse(*this, *image_);
  leftLayout->addWidget(image_, 1);
  auto* commandRow = new QHBoxLayout();
  auto* label = new QLabel("COMMAND >>", left);
  label->setObjectName("Label1");
  label->setStyleSheet("color: red; font-weight: bold;");
  edit_ = new QLineEdit(left);
  edit_->setObjectName("Edit1");
  edit_->setMinimumWidth(137);
  edit_->setMaximumWidth(420);
  commandRow->addSpacing(20);
  commandRow->addWidget(label);
  commandRow->addWidget(edit_, 1);
  commandRow->addStretch(1);
  // The pending prompt in full, above the command field.
  promptLine_ = new QLabel(left);
  promptLine_->setObjectName("PromptLine");
  promptLine_->setWordWrap(true);
  promptLine_->setTextFormat(Qt::PlainText);
  promptLine_->setStyleSheet("color: #202020; font-weight: bold;");
  promptLine_->hide();
  leftLayout->addWidget(promptLine_);
  leftLayout->addLayout(commandRow);
  auto* panel = new QWidget(splitter);
  panel->setObjectName("Panel1");
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(0, 4, 4, 4);
  // The log above the files the run has written.
  logSplitter_ = new QSplitter(Qt::Vertical, panel);
  logSplitter_->setObjectName("LogSplitter");
  memo_ = new QPlainTextEdit(logSplitter_);
  memo_->setObjectName("Memo1");
  memo_->setReadOnly(true);
  memo_->setMinimumWidth(185);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setStyleSheet("background: white; border: 1px solid #b0b0b0;");
  memo_->setContextMenuPolicy(Qt::CustomContextMenu);
  memo_->viewport()->installEventFilter(this);
  QFont mono("DejaVu Sans Mono");
  mono.setStyleHint(QFont::Monospace);
  mono.setPointSize(9);
  memo_->setFont(mono);
  results_ = new ResultsPanel(logSplitter_);
  logSplitter_->addWidget(memo_);
  logSplitter_->addWidget(results_);
  logSplitter_->setStretchFactor(0, 3);
  logSplitter_->setStretchFactor(1, 2);
  panelLayout->addWidget(logSplitter_);
  splitter->addWidget(left);
  splitter->addWidget(panel);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({kPlotWidth + 16, 420});
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter);
  setCentralWidget(central);

  auto* popup = new QMenu(memo_);
  popup->setObjectName("logpopup");
  QAction* saveLog = popup->addAction("Save log to file");
  saveLog->setObjectName("Savelogtofile1");
  connect(saveLog, &QAction::triggered, this, &MainForm::SaveLog);
  connect(memo_, &QWidget::customContextMenuRequested, this,
          [this, popup](const QPoint& p) { popup->exec(memo_->mapToGlobal(p)); });
  connect(edit_, &QLineEdit::returnPressed, this, &MainForm::CommandEntered);

  // Progress of long work, hidden until some work reports.
  progressLabel_ = new QLabel(this);
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName("progressBar");
  progressBar_->setRange(0, 1000);
  progressBar_->setMaximumWidth(240);
  cancelButton_ = new QPushButton("Cancel", this);
  cancelButton_->setObjectName("cancelProgress");
  cancelButton_->setFocusPolicy(Qt::NoFocus);
  connect(cancelButton_, &QPushButton::clicked, this, [this] { stopRequested_ = true; });
  statusBar()->addWidget(progressLabel_, 1);
  statusBar()->addPermanentWidget(progressBar_);
  statusBar()->addPermanentWidget(cancelButton_);
  progressLabel_->hide();
  progressBar_->hide();
  cancelButton_->hide();
}

void MainForm::BuildActions() {
  // One action per registry entry; only the first entry met with a
  // shortcut registers it, so Qt never sees an ambiguous shortcut. The
  // others show the keys in their menu text only.
  QHash<const NamedCommand*, QString> owned;
  for (auto& [keys, cmd] : ActiveShortcuts()) owned.insert(cmd, QString::fromStdString(keys));
  for (const NamedCommand& c : Commands()) {
    auto* a = new QAction(QString::fromStdString(c.caption), this);
    a->setObjectName(QString::fromStdString(c.name));
    a->setCheckable(c.checkable());
    a->setChecked(c.checkable() && engine_->checks.*c.check);
    if (!c.toolTip.empty()) a->setToolTip(QString::fromStdString(c.toolTip));
    if (owned.contains(&c)) {
      QKeySequence seq(owned.value(&c), QKeySequence::PortableText);
      QList<QKeySequence> keys{seq};
      // A second shortcut that no entry owns (Redo's Ctrl+Y).
      if (!c.alternateShortcut.empty() && !ShortcutOwner(c.alternateShortcut))
        keys.append(QKeySequence(QString::fromStdString(c.alternateShortcut),
                                 QKeySequence::PortableText));
      a->setShortcuts(keys);
      a->setShortcutContext(Qt::ApplicationShortcut);
      for (const QKeySequence& k : keys) shortcuts_.insert(k);
    } else if (!c.shortcut.empty()) {
      a->setText(a->text() + "\t" + QString::fromStdString(c.shortcut));
    }
    const NamedCommand* cmd = &c;
    connect(a, &QAction::triggered, this, [this, cmd] { RunCommand(*cmd); });
    actions_.insert(a->objectName(), a);
    // Every action belongs to the window, so that shortcuts of actions
    // without a visible menu item work too.
    addAction(a);
  }
  if (QAction* close = Action("Close")) close->setEnabled(false);

  for (const std::string& menuName : MenuOrder()) {
    QMenu* menu = nullptr;
    for (const NamedCommand& c : Commands()) {
      if (c.menu != menuName || !c.visible) continue;
      if (!menu) {
        menu = menuBar()->addMenu(QString::fromStdString(menuName));
        menu->setToolTipsVisible(true);
        if (menuName == "Transform")
          menu->setToolTip("Please Uncheck before making a new transformation");
      }
      menu->addAction(Action(QString::fromStdString(c.name)));
    }
  }

  auto* bar = addToolBar("ActionToolBar2");
  bar->setObjectName("ActionToolBar2");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  struct Button {
    const char* name;
    const char* text;
  };
  const Button buttons[] = {{"Open", "Open"},
                            {"ZoomIn", "ZoomIn"},
                            {"ZoomOut", "ZoomOut"},
                            {nullptr, nullptr},
                            {"ScrollLeft", "ScrollLeft"},
                            {"CenterDataPoint", "Center"},
                            {"Next", "Next"},
                            {nullptr, nullptr},
                            {"ScrollRight", "ScrollRight"},
                            {nullptr, nullptr},
                            {"Top", "Up"},
                            {"Bottom", "Down"},
                            {nullptr, nullptr},
                            {"Delete", "Delete"}};
  for (const Button& b : buttons) {
    if (!b.name) {
      bar->addSeparator();
      continue;
    }
    QAction* a = Action(b.name);
    if (!a) continue;
    auto* tb = new QToolButton(bar);
    tb->setDefaultAction(a);
    tb->setText(b.text);
    tb->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(tb);
  }
}

void MainForm::Guarded(const std::function<void()>& f) {
  try {
    f();
  } catch (const ProgramExit& e) {
    ExitProgram(e.code);
  } catch (const std::exception& e) {
    if (!quitting_) {
      AppendLog(e.what());
      MessageBox(e.what());
    }
  } catch (...) {
    if (!quitting_) MessageBox("The command failed.");
  }
}

void MainForm::RunCommand(const NamedCommand& command) {
  if (quitting_) return;
  if (!command.whileBusy && RefusedWhileBusy()) return;
  // Exit asks before unsaved edits are thrown away (the console mode keeps
  // its own rule for scripts).
  if (IsExitCommand(command) && !ConfirmUnsavedEdits()) return;
  Guarded([&] {
    if (!RunNamedCommand(*engine_, command.name)) return;
  });
  if (command.name == "Close")
    if (QAction* close = Action("Close")) close->setEnabled(false);
  if (quitting_) return;
  UpdateActions();
  RefreshImage();
  UpdateChrome();
  WakeIfAnswered();
}

void MainForm::UpdateActions() {
  for (const NamedCommand& c : Commands()) {
    if (!c.checkable()) continue;
    if (QAction* a = Action(QString::fromStdString(c.name))) a->setChecked(engine_->checks.*c.check);
  }
}

bool MainForm::RefusedWhileBusy() {
  if (!busy_) return false;
  // Long work is running inside this very call stack: a key or a click now
  // would act in the middle of it, or on the data it is about to replace.
  engine_->console.LogLine("!!! IO is not waiting for input");
  return true;
}

void MainForm::CommandEntered() {
  if (quitting_ || RefusedWhileBusy()) return;
  Guarded([&] { engine_->console.CommandFieldEnter(edit_->text().toStdString()); });
  WakeIfAnswered();
}

void MainForm::WakeIfAnswered() {
  if (waitLoop_ && (engine_->console.waitingForInput == 0 || quitting_)) waitLoop_->quit();
}

void MainForm::OpenPath(const QString& path, bool reopen) {
  if (quitting_) return;
  AttachCanvas(*engine_, &canvas_);
  if (QAction* close = Action("Close")) close->setEnabled(true);
  Guarded([&] { OpenDataFile(*engine_, path.toStdString(), reopen); });
  if (quitting_) return;
  if (QAction* close = Action("Close")) close->setEnabled(false);
  UpdateActions();
  RefreshImage();
}

void MainForm::ExitProgram(int code) {
  if (quitting_) return;
  SavePlacement();
  quitting_ = true;
  exitCode_ = code;
  if (waitLoop_) waitLoop_->quit();
  if (exitHandler_) exitHandler_(code);
}

void MainForm::SaveLog() {
  Guarded([&] {
    std::string text = memo_->toPlainText().toStdString();
    if (!text.empty()) text += "\n";
    WriteFile("actions.log", text);
  });
}

// --- ConsoleHost ---

void MainForm::AppendLog(const std::string& line) {
  memo_->appendPlainText(QString::fromStdString(line));
  memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

void MainForm::Wait(Console& console) {
  if (quitting_) throw ProgramExit{exitCode_};
  RefreshImage();
  UpdateActions();
  if (QAction* close = Action("Close")) close->setEnabled(engine_->run.inFileRun);
  edit_->setPlaceholderText(QString::fromStdString(console.pendingPrompt));
  UpdateChrome();
  QEventLoop loop;
  QEventLoop* outer = waitLoop_;
  waitLoop_ = &loop;
  plotMouse_->EngineWaits();  // the next command of a mouse gesture
  if (waitHook_) {
    QTimer::singleShot(0, &loop, [this] {
      if (waitHook_ && !quitting_) Guarded(waitHook_);
      WakeIfAnswered();
    });
  }
  // Blocks on the event queue until an answer or the end of the program
  // quits the loop.
  if (console.waitingForInput == 1) loop.exec();
  waitLoop_ = outer;
  edit_->setPlaceholderText(QString());
  edit_->setStyleSheet(QString());
  // Thrown only here, after the nested loop has returned, so that it never
  // passes through a frame of Qt.
  if (quitting_) throw ProgramExit{exitCode_};
}

void MainForm::FocusCommandField() {
  edit_->setFocus();
  edit_->setStyleSheet("background: rgb(255, 255, 0);");
}

void MainForm::ClearCommandField() {
  edit_->clear();
  WakeIfAnswered();
}

void MainForm::SetAppTitle(const std::string& t) { setWindowIconText(QString::fromStdString(t)); }

void MainForm::Beep() { QApplication::beep(); }

void MainForm::MessageBox(const std::string& text) {
  RefreshImage();
  QMessageBox::information(this, "TERIL", QString::fromStdString(text));
}

std::string MainForm::InputBox(const std::string& caption, const std::string& prompt,
                               const std::string& defaultText) {
  RefreshImage();
  bool ok = false;
  QString v =
      QInputDialog::getText(this, QString::fromStdString(caption), QString::fromStdString(prompt),
                            QLineEdit::Normal, QString::fromStdString(defaultText), &ok);
  return ok ? v.toStdString() : defaultText;
}

void MainForm::StdOut(const std::string& line) { std::cout << line << '\n' << std::flush; }

namespace {
qint64 MillisecondsNow() {
  static QElapsedTimer clock;
  if (!clock.isValid()) clock.start();
  return clock.elapsed();
}
}  // namespace

bool MainForm::Progress(long long done, long long total, const std::string& what) {
  if (quitting_) return false;
  if (!progressBar_->isVisible()) {
    stopRequested_ = false;
    progressLabel_->show();
    progressBar_->show();
    cancelButton_->show();
    lastEvents_ = 0;
  }
  const qint64 now = MillisecondsNow();
  if (now - lastEvents_ >= 50) {
    lastEvents_ = now;
    progressLabel_->setText(QString::fromStdString(what) + ": " + QString::number(done) + " of " +
                            QString::number(total));
    progressBar_->setValue(total > 0 ? static_cast<int>(1000.0 * double(done) / double(total)) : 0);
    RefreshImage();
    // Repaint and handle the Cancel button; commands are refused meanwhile.
    bool wasBusy = busy_;
    busy_ = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    busy_ = wasBusy;
  }
  return !stopRequested_ && !quitting_;
}

void MainForm::EndProgress() {
  progressLabel_->hide();
  progressBar_->hide();
  cancelButton_->hide();
  progressLabel_->clear();
  stopRequested_ = false;
}

// --- the plot ---

void MainForm::RefreshImage() { image_->Refresh(); }

void MainForm::PlotClickAt(int px, int py) {
  if (quitting_) return;
  if (px < 0 || py < 0 || px >= canvas_.Width() || py >= canvas_.Height()) return;
  if (RefusedWhileBusy()) return;
  Guarded([&] {
    Console& c = engine_->console;
    if (c.waitingForInput == 1 && c.inputMode == kModeKey)
      PlotClick(*engine_, px, py);
    else
      c.LogLine("!!! IO is not waiting for input");
  });
  RefreshImage();
  WakeIfAnswered();
}

// --- events ---

void MainForm::closeEvent(QCloseEvent* e) {
  // Unsaved edits are offered for saving first; Cancel, or a save that
  // failed, keeps the window open and the run as it was.
  if (!quitting_ && !ConfirmUnsavedEdits()) {
    e->ignore();
    return;
  }
  e->accept();
  ExitProgram(0);
}

void MainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (startFileOpened_) return;
  startFileOpened_ = true;
  // The file named on the command line is opened once, when the window
  // first appears.
  if (!params_.empty()) {
    QString path = QString::fromStdString(params_[0]);
    QTimer::singleShot(0, this, [this, path] { OpenPath(path); });
  }
}

void MainForm::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  RefreshImage();
}

bool MainForm::CharacterTyped(QKeyEvent* key) {
  const QString text = key->text();
  if (text.size() != 1 || !text[0].isPrint()) return false;
  const char16_t u = text[0].unicode();
  const char ch = u < 128 ? static_cast<char>(u) : ' ';
  if (busy_) return true;  // swallowed: nothing may be typed into long work
  bool handled = false;
  Guarded([&] { handled = engine_->console.CharacterMessage(ch); });
  RefreshImage();
  WakeIfAnswered();
  return handled;
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
  auto* w = qobject_cast<QWidget*>(watched);
  // Dialogs keep their keys: the hook and the shortcut precedence belong
  // to the main window only.
  if (!w || w->window() != this || quitting_) return QMainWindow::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::ShortcutOverride: {
      // The focused control (the command field above all) must not take a
      // key that is one of the window's shortcuts: leave the override
      // unaccepted so that the shortcut runs.
      auto* key = static_cast<QKeyEvent*>(event);
      QKeySequence seq(QKeyCombination(key->modifiers() & ~Qt::KeypadModifier,
                                       static_cast<Qt::Key>(key->key())));
      if (shortcuts_.contains(seq)) {
        event->ignore();
        return true;
      }
      break;
    }
    case QEvent::KeyPress:
      if (w == QApplication::focusWidget() && CharacterTyped(static_cast<QKeyEvent*>(event)))
        return true;
      break;
    case QEvent::MouseButtonRelease:
      if (watched == memo_->viewport() &&
          static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        edit_->setFocus();
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace teril

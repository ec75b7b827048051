// What the main window shows around the plot: the title with its mark for
// unsaved edits, the full prompt line, the status line, the Results panel,
// the help pages, the tool tips of the tool bar, the question before unsaved
// edits are thrown away, and the window's remembered size and split.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <iostream>

#include "base/numfmt.h"
#include "console/commands.h"
#include "data/save.h"
#include "engine/engine.h"
#include "window/help_pages.h"
#include "window/main_window.h"
#include "window/results_panel.h"
#include "window/window_settings.h"

namespace teril {

namespace {

QString Trimmed(const std::string& s) { return QString::fromStdString(s).trimmed(); }

// Plain words for the buttons of the tool bar, and the key of those whose
// command has no shortcut of its own (the zoom keys are typed).
struct ButtonTip {
  const char* name;
  const char* words;
  const char* key;
};
constexpr ButtonTip kButtonTips[] = {
    {"Open", "Open a data file", nullptr},
    {"ZoomIn", "Zoom in about the current point", "+"},
    {"ZoomOut", "Zoom out about the current point", "-"},
    {"ScrollLeft", "Scroll left by half a window", nullptr},
    {"CenterDataPoint", "Centre the view on the current point", nullptr},
    {"Next", "Go to the next point", nullptr},
    {"ScrollRight", "Scroll right by half a window", nullptr},
    {"Top", "Go to the highest point on the screen", nullptr},
    {"Bottom", "Go to the lowest point on the screen", nullptr},
    {"Delete", "Delete the current point", nullptr},
};

QRect AvailableArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

QString PointStatusText(const Engine& engine) {
  const DataSet& d = engine.data;
  const int j = engine.view.j;
  if (!engine.run.inFileRun || j < 1 || j > d.n) return {};
  QString text = QString("Point %1 of %2    t = %3    x = %4")
                     .arg(j)
                     .arg(d.n)
                     .arg(Trimmed(Str(d.t[j], d.tWidth, d.tDecimals)))
                     .arg(Trimmed(Str(d.x[j], d.xWidth, d.xDecimals)));
  const QString observer = Trimmed(d.observer[j].str());
  if (!observer.isEmpty()) text += "    observer " + observer;
  return text;
}

bool IsExitCommand(const NamedCommand& c) { return c.name == "ExitAct" || c.name == "Exit1"; }

void MainForm::BuildChrome() {
  // Exit typed by name in the command field asks as the menu item does.
  engine_->console.runNamedCommand =
      [this, run = engine_->console.runNamedCommand](const std::string& name) {
        const NamedCommand* c = FindCommand(name);
        if (c && IsExitCommand(*c) && !ConfirmUnsavedEdits()) return true;
        return run(name);
      };

  pointStatus_ = new QLabel(this);
  pointStatus_->setObjectName("PointStatus");
  valueStatus_ = new QLabel(this);
  valueStatus_->setObjectName("ValueStatus");
  statusBar()->insertWidget(0, pointStatus_);
  statusBar()->insertWidget(1, valueStatus_);

  for (const ButtonTip& b : kButtonTips) {
    QAction* a = Action(b.name);
    if (!a) continue;
    QString keys = a->shortcut().toString(QKeySequence::NativeText);
    if (keys.isEmpty()) {
      if (const NamedCommand* c = FindCommand(b.name); c && !c->shortcut.empty())
        keys = QString::fromStdString(c->shortcut);
      else if (b.key)
        keys = b.key;
    }
    a->setToolTip(keys.isEmpty() ? QString(b.words) : QString("%1 (%2)").arg(b.words, keys));
  }

  // The help pages join the Help menu of the registry.
  QMenu* help = nullptr;
  for (QAction* m : menuBar()->actions())
    if (m->menu() && m->text() == "Help") help = m->menu();
  if (!help) help = menuBar()->addMenu("Help");
  auto addPage = [this, help](const char* name, const QString& caption, QString (*text)()) {
    QAction* a = help->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [this, name, caption, text] {
      HelpPage*& page = helpPages_[name];
      if (!page) page = new HelpPage(caption, text(), this);
      page->show();
      page->raise();
    });
  };
  addPage("KeyReference1", "Key reference", &KeyReferenceText);
  addPage("PeriodSearchHelp1", "Period search", &PeriodSearchText);
}

void MainForm::UpdateChrome() {
  if (quitting_) return;
  const bool mark = engine_->run.inFileRun && engine_->run.modified;
  const QString title = caption_ + (mark ? " *" : "");
  if (windowTitle() != title) setWindowTitle(title);
  const Console& c = engine_->console;
  const QString prompt =
      c.waitingForInput == 1 ? QString::fromStdString(c.pendingPrompt).trimmed() : QString();
  if (promptLine_->text() != prompt) promptLine_->setText(prompt);
  promptLine_->setVisible(!prompt.isEmpty());
  const QString point = PointStatusText(*engine_);
  if (pointStatus_->text() != point) pointStatus_->setText(point);
}

void MainForm::SetCaption(const std::string& c) {
  caption_ = QString::fromStdString(c);
  UpdateChrome();
}

void MainForm::FileWritten(const std::string& path, const std::string& command) {
  results_->FileWritten(QString::fromStdString(path), QString::fromStdString(command));
}

void MainForm::ShowStatus(const std::string& text) {
  valueStatus_->setText("Set by a key: " + QString::fromStdString(text));
}

Dialogs::SaveChoice MainForm::SaveChanges(const std::string& file, const std::string&) {
  const QString name = QString::fromStdString(file);
  if (saveQuestion_) return saveQuestion_(name);
  QMessageBox box(QMessageBox::Question, "TERIL", "Save changes to " + name + "?",
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveChoice::Save;
    case QMessageBox::Discard:
      return SaveChoice::Discard;
    default:
      return SaveChoice::Cancel;
  }
}

bool MainForm::ConfirmUnsavedEdits() {
  if (!engine_->run.inFileRun || !engine_->run.modified) return true;
  switch (SaveChanges(engine_->run.outputFile, {})) {
    case SaveChoice::Discard:
      return true;
    case SaveChoice::Cancel:
      return false;
    case SaveChoice::Save:
      break;
  }
  // Long work may be changing the data set right now.
  if (RefusedWhileBusy()) return false;
  bool saved = false;
  Guarded([&] {
    SaveDataSet(*engine_);
    saved = !engine_->run.modified;
  });
  UpdateChrome();
  return saved && !quitting_;
}

QString MainForm::WindowSettingsFile() const {
  return WindowSettingsPath(engine_->options.workFolder);
}

void MainForm::RestorePlacement() {
  const QRect area = AvailableArea();
  auto stored = ReadWindowPlacement(WindowSettingsFile());
  if (!stored) {
    resize(DefaultWindowSize(area));
    return;
  }
  const WindowPlacement p = FittedPlacement(*stored, area);
  resize(p.size);
  move(p.pos);
  if (p.split.size() == 2) splitter_->setSizes(p.split);
  if (p.logSplit.size() == 2) logSplitter_->setSizes(p.logSplit);
}

void MainForm::SavePlacement() {
  WindowPlacement p;
  p.pos = pos();
  p.size = size();
  p.split = splitter_->sizes();
  p.logSplit = logSplitter_->sizes();
  QString why;
  // The placement is a convenience: a settings folder that cannot be
  // written must not stop the program from ending.
  if (!WriteWindowPlacement(WindowSettingsFile(), p, &why))
    std::cerr << "teril: " << why.toStdString() << "; the window's size is not kept\n";
}

}  // namespace teril

#include "window/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <iostream>

#include "console/engine.h"
#include "console/file_run.h"
#include "console/io.h"
#include "data/settings.h"

namespace teril {

MainForm::MainForm(std::vector<std::string> params, QWidget* parent)
    : QMainWindow(parent), params_(std::move(params)) {
  engine_ = std::make_unique<Engine>(*this, *this);
  engine_->run.args = params_;
  BuildLayout();
  setWindowTitle("TERIL");
  qApp->installEventFilter(this);
}

MainForm::~MainForm() {
  qApp->removeEventFilter(this);
}

void MainForm::BuildLayout() {
  auto* central = new QWidget(this);
  auto* splitter = new QSplitter(Qt::Horizontal, central);
  auto* left = new QWidget(splitter);
  auto* leftLayout = new QVBoxLayout(left);
  image_ = new QLabel(left);
  image_->setObjectName("image");
  image_->setMinimumSize(640, 360);
  image_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  image_->setStyleSheet("background: white;");
  leftLayout->addWidget(image_, 1);
  auto* commandRow = new QHBoxLayout();
  auto* label = new QLabel("COMMAND >>", left);
  label->setObjectName("Label1");
  label->setStyleSheet("color: red;");
  edit_ = new QLineEdit(left);
  edit_->setObjectName("Edit1");
  commandRow->addWidget(label);
  commandRow->addWidget(edit_, 1);
  leftLayout->addLayout(commandRow);
  memo_ = new QPlainTextEdit(splitter);
  memo_->setObjectName("Memo1");
  memo_->setReadOnly(true);
  memo_->setMinimumWidth(185);
  splitter->addWidget(left);
  splitter->addWidget(memo_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(splitter);
  setCentralWidget(central);
  resize(1000, 480);
  connect(edit_, &QLineEdit::returnPressed, this, &MainForm::CommandEntered);
}

template <typename F>
void MainForm::Guarded(F&& f) {
  try {
    f();
  } catch (const ProgramExit& e) {
    ExitProgram(e.code);
  } catch (const std::exception& e) {
    MessageBox(e.what());
  }
}

void MainForm::CommandEntered() {
  QString text = edit_->text();
  engine_->console.CommandFieldEnter(text.toStdString());
  WakeIfAnswered();
}

void MainForm::WakeIfAnswered() {
  if (waitLoop_ && engine_->console.waitingForInput == 0) waitLoop_->quit();
}

void MainForm::OpenPath(const QString& path, bool changeFolder) {
  Guarded([&] {
    QFileInfo info(path);
    ResetEngine(*engine_, true);
    if (changeFolder || !info.isRelative()) QDir::setCurrent(info.absolutePath());
    inRun_ = true;
    struct Done {
      bool& flag;
      ~Done() { flag = false; }
    } done{inRun_};
    engine_->run.lastOpenedPath = info.absoluteFilePath().toStdString();
    RunDataFile(*engine_, info.absoluteFilePath().toStdString());
  });
}

void MainForm::ExitProgram(int code) {
  if (quitting_) return;
  quitting_ = true;
  exitCode_ = code;
  QCoreApplication::exit(code);
}

void MainForm::AppendLog(const std::string& line) {
  memo_->appendPlainText(QString::fromStdString(line));
  memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

void MainForm::Wait(Console&) {
  if (quitting_) throw ProgramExit{exitCode_};
  QEventLoop loop;
  waitLoop_ = &loop;
  loop.exec(QEventLoop::WaitForMoreEvents);
  waitLoop_ = nullptr;
  if (quitting_) throw ProgramExit{exitCode_};
}

void MainForm::FocusCommandField() {
  edit_->setFocus();
  edit_->setStyleSheet("background: rgb(255, 255, 0);");
}

void MainForm::ClearCommandField() { edit_->clear(); }

void MainForm::SetCaption(const std::string& c) { setWindowTitle(QString::fromStdString(c)); }

void MainForm::SetAppTitle(const std::string& t) {
  QApplication::setApplicationDisplayName(QString::fromStdString(t));
}

void MainForm::Beep() { QApplication::beep(); }

void MainForm::MessageBox(const std::string& text) {
  QMessageBox::information(this, "TERIL", QString::fromStdString(text));
}

std::string MainForm::InputBox(const std::string& caption, const std::string& prompt,
                               const std::string& defaultText) {
  bool ok = false;
  QString v = QInputDialog::getText(this, QString::fromStdString(caption),
                                    QString::fromStdString(prompt), QLineEdit::Normal,
                                    QString::fromStdString(defaultText), &ok);
  return ok ? v.toStdString() : defaultText;
}

void MainForm::StdOut(const std::string& line) { std::cout << line << '\n' << std::flush; }

bool MainForm::EditFields(const std::string&, const std::string& caption,
                          std::vector<DialogField>& fields) {
  for (auto& f : fields) {
    bool ok = false;
    QString v = QInputDialog::getText(this, QString::fromStdString(caption),
                                      QString::fromStdString(f.label), QLineEdit::Normal,
                                      QString::fromStdString(f.value), &ok);
    if (!ok) return false;
    f.value = v.toStdString();
  }
  return true;
}

QString QtFilter(const std::string& stored) {
  QStringList parts = QString::fromStdString(stored).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString masks = parts[i + 1];
    masks.replace(';', ' ');
    out << parts[i] + " (" + masks + ")";
  }
  return out.join(";;");
}

std::optional<std::string> MainForm::OpenFile(const std::string& title,
                                              const std::string& filter) {
  QString p = QFileDialog::getOpenFileName(this, QString::fromStdString(title), QDir::currentPath(),
                                           QtFilter(filter));
  if (p.isEmpty()) return std::nullopt;
  return p.toStdString();
}

std::optional<std::string> MainForm::SaveFile(const std::string& title, const std::string& filter,
                                              const std::string& defaultExt) {
  QFileDialog dialog(this, QString::fromStdString(title), QDir::currentPath(), QtFilter(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  if (!defaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(defaultExt).remove('.'));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

bool MainForm::YesNo(const std::string& caption) {
  return QMessageBox::question(this, QString::fromStdString(caption),
                               QString::fromStdString(caption),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool MainForm::CheckList(const std::string&, const std::vector<std::string>&,
                         std::vector<bool>&) {
  return false;
}

void MainForm::closeEvent(QCloseEvent* e) {
  // Closing ends the program at once, without asking about unsaved data.
  e->accept();
  ExitProgram(0);
}

void MainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (startFileOpened_) return;
  startFileOpened_ = true;
  if (!params_.empty()) {
    QString path = QString::fromStdString(params_[0]);
    QTimer::singleShot(0, this, [this, path] { OpenPath(path, true); });
  }
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    QString text = key->text();
    if (text.size() == 1 && text[0].unicode() >= 32 && text[0].unicode() < 127) {
      bool handled = engine_->console.CharacterMessage(static_cast<char>(text[0].unicode()));
      WakeIfAnswered();
      if (handled) return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace teril

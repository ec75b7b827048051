#include "window/results_panel.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStringDecoder>
#include <QTimer>
#include <QVBoxLayout>

namespace teril {

QString ResultFileText(const QString& path, qint64 maxBytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "Cannot read \"" + path + "\": " + file.errorString();
  const qint64 size = file.size();
  QByteArray bytes = file.read(maxBytes);
  // A file cut short is shown up to its last whole line.
  if (size > bytes.size()) {
    const qsizetype end = bytes.lastIndexOf('\n');
    if (end >= 0) bytes.truncate(end + 1);
  }
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);
  if (size > bytes.size()) {
    if (!text.endsWith('\n')) text += '\n';
    text += QString("... (the first %1 of %2 bytes are shown)").arg(bytes.size()).arg(size);
  }
  return text;
}

ResultsPanel::ResultsPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("Results");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->setObjectName("ResultsSplitter");
  list_ = new QListWidget(split);
  list_->setObjectName("ResultsList");
  list_->setToolTip("Files written by this run, newest first; click one to show it");
  view_ = new QPlainTextEdit(split);
  view_->setObjectName("ResultView");
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setStyleHint(QFont::Monospace);
  view_->setFont(mono);
  split->addWidget(list_);
  split->addWidget(view_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 3);
  layout->addWidget(split);
  reload_ = new QTimer(this);
  reload_->setSingleShot(true);
  reload_->setInterval(0);
  connect(reload_, &QTimer::timeout, this, &ResultsPanel::Reload);
  connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item) Show(item->data(Qt::UserRole).toString());
  });
}

void ResultsPanel::FileWritten(const QString& path, const QString& command) {
  const QString full = QFileInfo(path).absoluteFilePath();
  QListWidgetItem* top = list_->item(0);
  if (!top || top->data(Qt::UserRole).toString() != full ||
      top->data(Qt::UserRole + 1).toString() != command) {
    for (int i = list_->count() - 1; i >= 0; --i)
      if (list_->item(i)->data(Qt::UserRole).toString() == full) delete list_->takeItem(i);
    auto* item = new QListWidgetItem(QFileInfo(full).fileName() + "    " + command);
    item->setData(Qt::UserRole, full);
    item->setData(Qt::UserRole + 1, command);
    item->setToolTip(full);
    list_->insertItem(0, item);
    while (list_->count() > kMaxEntries) delete list_->takeItem(list_->count() - 1);
  }
  // The newest file is shown; its text is read when the command lets the
  // event loop run.
  shown_ = full;
  {
    const QSignalBlocker block(list_);
    list_->setCurrentRow(0);
  }
  reload_->start();
}

void ResultsPanel::Show(const QString& path) {
  shown_ = path;
  Reload();
}

void ResultsPanel::Reload() {
  reload_->stop();
  if (shown_.isEmpty()) return;
  view_->setPlainText(ResultFileText(shown_, kMaxShownBytes));
}

}  // namespace teril

// The "Results" panel: the files the run has written, newest first, each
// with the command that wrote it, and the text of the chosen one in a
// fixed-pitch view without wrapping, so that a table reads as a table.
#pragma once

#include <QString>
#include <QWidget>

class QListWidget;
class QPlainTextEdit;
class QTimer;

namespace teril {

class ResultsPanel : public QWidget {
  Q_OBJECT

 public:
  // At most this many files are listed; older entries drop off the end.
  static constexpr int kMaxEntries = 200;
  // At most this much of a file is shown (a periodogram file can hold
  // millions of lines).
  static constexpr qint64 kMaxShownBytes = 2 * 1024 * 1024;

  explicit ResultsPanel(QWidget* parent = nullptr);

  // A file has been written by `command`: it moves to (or enters at) the
  // top of the list and is shown. The file is read once the event loop
  // runs again, so that a command appending many times reads it once.
  void FileWritten(const QString& path, const QString& command);

  QListWidget* list() const { return list_; }
  QPlainTextEdit* view() const { return view_; }
  // The absolute path of the file shown; empty when none.
  QString shownPath() const { return shown_; }
  // Reads the shown file again now (instead of at the next turn of the
  // event loop).
  void Reload();

 private:
  void Show(const QString& path);

  QListWidget* list_ = nullptr;
  QPlainTextEdit* view_ = nullptr;
  QTimer* reload_ = nullptr;
  QString shown_;
};

// The text of a result file as the panel shows it: UTF-8 when the bytes
// are valid UTF-8, else one character per byte; at most `maxBytes` bytes,
// followed by a line that says how much was left out.
QString ResultFileText(const QString& path, qint64 maxBytes);

}  // namespace teril

// The help pages of the window: the key reference and the period-search
// workflow, from the documentation built into the program, shown read-only.
#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace teril {

// The key reference (docs/keys.md), as Markdown.
QString KeyReferenceText();
// The section "Period search" of the README, as Markdown: from its heading
// up to the next heading of the same level.
QString PeriodSearchText();
// The section of a Markdown text that begins with the line `heading`;
// empty when there is none.
QString MarkdownSection(const QString& markdown, const QString& heading);

// A window that shows one help page; it stays open beside the main window.
class HelpPage : public QDialog {
  Q_OBJECT

 public:
  HelpPage(const QString& title, const QString& markdown, QWidget* parent);
  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_ = nullptr;
};

}  // namespace teril

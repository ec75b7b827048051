#include "window/help_pages.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

// The resource lives in a static library: it is registered by hand.
static void RegisterHelpResource() { Q_INIT_RESOURCE(help); }

namespace teril {

namespace {

QString Resource(const QString& name) {
  static const bool registered = (RegisterHelpResource(), true);
  (void)registered;
  QFile file(":/help/" + name);
  if (!file.open(QIODevice::ReadOnly)) return "The page \"" + name + "\" is missing.";
  return QString::fromUtf8(file.readAll());
}

}  // namespace

QString MarkdownSection(const QString& markdown, const QString& heading) {
  const QStringList lines = markdown.split('\n');
  const qsizetype start = lines.indexOf(heading);
  if (start < 0) return {};
  const QString level = heading.left(heading.indexOf(' ') + 1);  // "## "
  QStringList out{heading};
  bool fenced = false;
  for (qsizetype i = start + 1; i < lines.size(); ++i) {
    const QString& line = lines[i];
    if (line.startsWith("```")) fenced = !fenced;
    // A heading of this level or a higher one ends the section; "#" lines
    // inside a code block are comments, not headings.
    if (!fenced && line.startsWith('#')) {
      const qsizetype hashes = line.indexOf(' ');
      if (hashes > 0 && hashes <= level.size() - 1 && line.left(hashes) == QString(hashes, '#'))
        break;
    }
    out.append(line);
  }
  while (!out.isEmpty() && out.last().trimmed().isEmpty()) out.removeLast();
  return out.join('\n') + '\n';
}

QString KeyReferenceText() { return Resource("keys.md"); }

QString PeriodSearchText() {
  const QString section = MarkdownSection(Resource("README.md"), "## Period search");
  return section.isEmpty() ? QString("The period-search section is missing.") : section;
}

HelpPage::HelpPage(const QString& title, const QString& markdown, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName("HelpText");
  browser_->setReadOnly(true);
  browser_->setOpenExternalLinks(true);
  browser_->setMarkdown(markdown);
  layout->addWidget(browser_);
  resize(820, 720);
}

}  // namespace teril

// The dialogs port of the main window: Form2 and Fm3RP2 get their own
// layouts, other forms of edit fields a generic one; file dialogs, the
// yes/no question and the check list.
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/engine.h"
#include "window/choose_method_dialog.h"
#include "window/main_window.h"
#include "window/print_precision_dialog.h"
#include "window/scalegram_dialog.h"

namespace teril {

QString QtFilter(const std::string& stored) {
  QStringList parts = QString::fromStdString(stored).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList masks = parts[i + 1].split(';', Qt::SkipEmptyParts);
    // "*.*" means every file; for Qt that is "*" (a name without a dot
    // would not match "*.*").
    for (QString& m : masks) {
      m = m.trimmed();
      if (m == "*.*") m = "*";
    }
    out << parts[i] + " (" + masks.join(' ') + ")";
  }
  return out.join(";;");
}

bool MainForm::EditFields(const std::string& name, const std::string& caption,
                          std::vector<DialogField>& fields, const std::string& note) {
  RefreshImage();
  if (name == "Form2" && fields.size() == 4) {
    const DataSet& d = engine().data;
    std::vector<std::string> values;
    for (auto& f : fields) values.push_back(f.value);
    PrintPrecisionDialog dialog(values, d.n > 0 ? d.t[1] : 0, d.n > 0 ? d.x[1] : 0, d.n > 0, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    auto v = dialog.Values();
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i].value = v[i];
    return true;
  }
  if (name == "Fm3RP2" && fields.size() == 2) {
    ScalegramDialog dialog(fields, caption, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    auto v = dialog.Values();
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i].value = v[i];
    return true;
  }
  QDialog dialog(this);
  dialog.setObjectName(QString::fromStdString(name));
  dialog.setWindowTitle(QString::fromStdString(caption));
  auto* form = new QFormLayout(&dialog);
  if (!note.empty()) {
    auto* label = new QLabel(QString::fromStdString(note), &dialog);
    label->setObjectName("note");
    label->setWordWrap(true);
    form->addRow(label);
  }
  std::vector<QLineEdit*> edits;
  for (auto& f : fields) {
    auto* e = new QLineEdit(QString::fromStdString(f.value), &dialog);
    if (!f.hint.empty()) {
      e->setToolTip(QString::fromStdString(f.hint));
      e->setPlaceholderText(QString::fromStdString(f.hint));
    }
    form->addRow(QString::fromStdString(f.label), e);
    edits.push_back(e);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  // OK stays disabled while a field with a check holds a text it refuses.
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  if (name == "Blazhko") {
    // Its button reads "Ok"; a standard button would get its text back when shown.
    buttons->removeButton(ok);
    delete ok;
    ok = buttons->addButton("Ok", QDialogButtonBox::AcceptRole);
  }
  // The fields with the texts as typed, for the conditions of the later
  // fields; a field that does not apply neither takes input nor holds OK back.
  auto check = [&fields, &edits, form, ok] {
    std::vector<DialogField> current = fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
      current[i].value = edits[i]->text().toStdString();
    bool good = true;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const bool enabled = FieldEnabled(current, i);
      edits[i]->setEnabled(enabled);
      if (QWidget* label = form->labelForField(edits[i])) label->setEnabled(enabled);
      if (enabled && fields[i].valid && !fields[i].valid(current[i].value)) good = false;
    }
    ok->setEnabled(good);
  };
  for (QLineEdit* e : edits) connect(e, &QLineEdit::textChanged, &dialog, check);
  check();
  if (dialog.exec() != QDialog::Accepted) return false;
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i].value = edits[i]->text().toStdString();
  return true;
}

std::optional<std::string> MainForm::OpenFile(const std::string& title, const std::string& filter) {
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
  RefreshImage();
  QMessageBox box(this);
  box.setObjectName("Save1");
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(caption));
  box.addButton("No", QMessageBox::RejectRole);
  QPushButton* yes = box.addButton("Yes", QMessageBox::AcceptRole);
  box.setDefaultButton(yes);
  box.exec();
  return box.clickedButton() == yes;
}

bool MainForm::CheckList(const std::string& caption, const std::vector<std::string>& items,
                         std::vector<bool>& checked) {
  RefreshImage();
  QDialog dialog(this);
  dialog.setWindowTitle(QString::fromStdString(caption));
  auto* layout = new QVBoxLayout(&dialog);
  auto* list = new QListWidget(&dialog);
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto* item = new QListWidgetItem(QString::fromStdString(items[i]), list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(i < checked.size() && checked[i] ? Qt::Checked : Qt::Unchecked);
  }
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return false;
  checked.assign(items.size(), false);
  for (int i = 0; i < list->count(); ++i) checked[i] = list->item(i)->checkState() == Qt::Checked;
  return true;
}

bool MainForm::ChooseMethods(MethodChoice& choice) {
  RefreshImage();
  ChooseMethodDialog dialog(choice, this);
  const bool run = dialog.exec() == QDialog::Accepted;
  dialog.ReadMarks(choice);
  return run;
}

}  // namespace teril

#include "window/scalegram_dialog.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include "engine/engine.h"
#include "smoothing/scalegram.h"

namespace teril {

ScalegramDialog::ScalegramDialog(const std::vector<DialogField>& fields, const std::string& caption,
                                 QWidget* parent)
    : QDialog(parent), fields_(fields) {
  setObjectName("Fm3RP2");
  setWindowTitle(QString::fromStdString(caption));
  auto* form = new QFormLayout(this);
  for (int i = 0; i < 2; ++i) {
    edits_[i] = new QLineEdit(QString::fromStdString(fields_[i].value), this);
    edits_[i]->setObjectName(QString("Edit%1").arg(i + 1));
    form->addRow(QString::fromStdString(fields_[i].label), edits_[i]);
    connect(edits_[i], &QLineEdit::textChanged, this, &ScalegramDialog::Check);
  }
  ok_ = new QPushButton("OK", this);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  form->addRow(ok_);
  Check();
}

std::vector<std::string> ScalegramDialog::Values() const {
  return {edits_[0]->text().toStdString(), edits_[1]->text().toStdString()};
}

void ScalegramDialog::Check() {
  bool good = true;
  for (int i = 0; i < 2; ++i)
    if (fields_[i].valid && !fields_[i].valid(edits_[i]->text().toStdString())) good = false;
  ok_->setEnabled(good);
  ok_->setToolTip(good ? kScalegramHintOk : kScalegramHintBad);
}

}  // namespace teril

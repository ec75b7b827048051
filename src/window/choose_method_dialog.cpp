#include "window/choose_method_dialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace teril {

namespace {

void AddItem(QListWidget* list, const std::string& text, bool checked) {
  auto* item = new QListWidgetItem(QString::fromStdString(text), list);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

}  // namespace

ChooseMethodDialog::ChooseMethodDialog(const MethodChoice& choice, QWidget* parent)
    : QDialog(parent) {
  setObjectName("choosemethod");
  setWindowTitle(QString::fromStdString(choice.caption));
  auto* layout = new QVBoxLayout(this);
  methods_ = new QListWidget(this);
  methods_->setObjectName("CheckListBox1");
  for (std::size_t i = 0; i < choice.items.size(); ++i)
    AddItem(methods_, choice.items[i], i < choice.checked.size() && choice.checked[i]);
  layout->addWidget(methods_);
  option_ = new QListWidget(this);
  option_->setObjectName("CheckListBox2");
  AddItem(option_, choice.option, choice.optionChecked);
  // One row is all the second list holds.
  option_->setMaximumHeight(option_->sizeHintForRow(0) + 2 * option_->frameWidth() + 4);
  layout->addWidget(option_);
  button_ = new QPushButton(QString::fromStdString(choice.button), this);
  button_->setObjectName("Button1");
  button_->setDefault(true);
  layout->addWidget(button_);
  connect(button_, &QPushButton::clicked, this, &QDialog::accept);
}

void ChooseMethodDialog::ReadMarks(MethodChoice& choice) const {
  choice.checked.assign(static_cast<std::size_t>(methods_->count()), false);
  for (int i = 0; i < methods_->count(); ++i)
    choice.checked[static_cast<std::size_t>(i)] = methods_->item(i)->checkState() == Qt::Checked;
  choice.optionChecked = option_->count() > 0 && option_->item(0)->checkState() == Qt::Checked;
}

}  // namespace teril

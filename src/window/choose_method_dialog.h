// "Choose method": a check list of the methods, a second list with the one
// option ("make new result file") and the button that runs the choice.
#pragma once

#include <QDialog>

#include "console/dialogs.h"

class QListWidget;
class QPushButton;

namespace teril {

class ChooseMethodDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ChooseMethodDialog(const MethodChoice& choice, QWidget* parent = nullptr);

  // The marks as the form shows them now (kept however the form is left).
  void ReadMarks(MethodChoice& choice) const;

  QListWidget* methods() const { return methods_; }
  QListWidget* option() const { return option_; }
  QPushButton* button() const { return button_; }

 private:
  QListWidget* methods_ = nullptr;
  QListWidget* option_ = nullptr;
  QPushButton* button_ = nullptr;
};

}  // namespace teril

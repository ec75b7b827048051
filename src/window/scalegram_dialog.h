// Fm3RP2, "Running Parabola ScaleGram": the two integers 20 lg dt of the
// smallest and the largest half-width, and an OK button that is enabled,
// and says so in its hint, only while both fields hold integers.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "console/dialogs.h"

class QLineEdit;
class QPushButton;

namespace teril {

class ScalegramDialog : public QDialog {
  Q_OBJECT

 public:
  // `fields`: the two fields with their labels, presets and checks.
  ScalegramDialog(const std::vector<DialogField>& fields, const std::string& caption,
                  QWidget* parent = nullptr);

  std::vector<std::string> Values() const;
  QLineEdit* Field(int i) const { return edits_[i]; }
  QPushButton* OkButton() const { return ok_; }

 private:
  void Check();

  std::vector<DialogField> fields_;
  QLineEdit* edits_[2] = {};
  QPushButton* ok_ = nullptr;
};

}  // namespace teril

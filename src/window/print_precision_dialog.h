// Form2, "Print Precision": the print formats of t and x, with the first
// point formatted as a sample beside each row while the fields are edited.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;

namespace teril {

class PrintPrecisionDialog : public QDialog {
  Q_OBJECT

 public:
  // `values`: time width, time decimals, signal width, signal decimals as
  // texts; `t1`, `x1`: the first point (no sample when `hasPoint` is false).
  PrintPrecisionDialog(const std::vector<std::string>& values, double t1, double x1, bool hasPoint,
                       QWidget* parent = nullptr);

  // The four field texts in the order of the constructor.
  std::vector<std::string> Values() const;
  QLineEdit* Field(int i) const { return fields_[i]; }
  QLabel* TimeSample() const { return timeSample_; }
  QLabel* SignalSample() const { return signalSample_; }

 private:
  void UpdateSamples();

  QLineEdit* fields_[4] = {};
  QLabel* timeSample_ = nullptr;
  QLabel* signalSample_ = nullptr;
  double t1_, x1_;
  bool hasPoint_;
};

// The sample text of a value for a width and decimals typed in the dialog:
// the value in that format, or "?" when either field is not a usable
// integer.
std::string PrecisionSample(double value, const std::string& width, const std::string& decimals);

}  // namespace teril

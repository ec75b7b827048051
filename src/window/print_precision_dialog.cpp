#include "window/print_precision_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/numfmt.h"

namespace teril {

std::string PrecisionSample(double value, const std::string& width, const std::string& decimals) {
  auto w = ParseInteger(width);
  auto d = ParseInteger(decimals);
  // The same limits as the command applies to the values it takes.
  if (!w || !d || *w < 1 || *w > 60 || *d < 0 || *d > 30) return "?";
  return Str(value, static_cast<int>(*w), static_cast<int>(*d));
}

PrintPrecisionDialog::PrintPrecisionDialog(const std::vector<std::string>& values, double t1,
                                           double x1, bool hasPoint, QWidget* parent)
    : QDialog(parent), t1_(t1), x1_(x1), hasPoint_(hasPoint) {
  setObjectName("Form2");
  setWindowTitle("Print Precision");
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("width", this), 0, 2);
  grid->addWidget(new QLabel("decimals", this), 0, 3);
  grid->addWidget(new QLabel("time", this), 1, 0);
  grid->addWidget(new QLabel("signal", this), 2, 0);
  QFont mono("DejaVu Sans Mono");
  mono.setStyleHint(QFont::Monospace);
  timeSample_ = new QLabel(this);
  signalSample_ = new QLabel(this);
  for (QLabel* l : {timeSample_, signalSample_}) {
    l->setFont(mono);
    l->setMinimumWidth(180);
    l->setTextFormat(Qt::PlainText);
  }
  grid->addWidget(timeSample_, 1, 1);
  grid->addWidget(signalSample_, 2, 1);
  for (int i = 0; i < 4; ++i) {
    fields_[i] = new QLineEdit(this);
    fields_[i]->setObjectName(QString("Edit%1").arg(i + 1));
    fields_[i]->setMaximumWidth(60);
    if (i < static_cast<int>(values.size())) fields_[i]->setText(QString::fromStdString(values[i]));
    grid->addWidget(fields_[i], 1 + i / 2, 2 + i % 2);
    connect(fields_[i], &QLineEdit::textChanged, this, &PrintPrecisionDialog::UpdateSamples);
  }
  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  grid->addWidget(ok, 3, 3);
  UpdateSamples();
}

std::vector<std::string> PrintPrecisionDialog::Values() const {
  std::vector<std::string> v;
  for (QLineEdit* f : fields_) v.push_back(f->text().trimmed().toStdString());
  return v;
}

void PrintPrecisionDialog::UpdateSamples() {
  auto v = Values();
  // Blanks show the field's width, so the sample is shown between bars.
  auto show = [&](QLabel* l, double value, int i) {
    l->setText(hasPoint_
                   ? "|" + QString::fromStdString(PrecisionSample(value, v[i], v[i + 1])) + "|"
                   : QString());
  };
  show(timeSample_, t1_, 0);
  show(signalSample_, x1_, 2);
}

}  // namespace teril

// The window's form of the Blazhko effect dialog: its button reads "Ok".
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include "window_harness.h"

namespace teril {
namespace {

TEST(WindowBlazhkoDialog, AcceptButtonReadsOk) {
  testing::TestForm form;
  std::vector<DialogField> fields{
      {"Main frequency", "1.8"}, {"Modulation frequency from", "0.02"}, {"to", "0.03"}};
  QString okText;
  QTimer::singleShot(0, &form, [&] {
    auto* box = QApplication::activeModalWidget()->findChild<QDialogButtonBox*>();
    for (QAbstractButton* b : box->buttons())
      if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) okText = b->text(), b->click();
  });
  EXPECT_TRUE(
      form.EditFields("Blazhko", "Blazhko effect", fields, "Please write numbers with dot :(.)"));
  EXPECT_EQ(okText, "Ok");
}

}  // namespace
}  // namespace teril

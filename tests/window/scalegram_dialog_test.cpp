// Fm3RP2, "Running Parabola ScaleGram": OK and its hint follow the two
// integer fields; the main window shows this form for the dialog's name.
#include "window/scalegram_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "base/numfmt.h"
#include "smoothing/scalegram.h"
#include "window_harness.h"

namespace teril {
namespace {

std::vector<DialogField> TwoIntegers() {
  auto integer = [](const std::string& s) { return ParseInteger(s).has_value(); };
  return {{"20*lg(Dt_min)=", "7", "", integer}, {"20*lg(Dt_max)=", "40", "", integer}};
}

TEST(ScalegramDialog, OkIsEnabledOnlyWhileBothFieldsAreIntegers) {
  ScalegramDialog d(TwoIntegers(), "Running Parabola ScaleGram");
  EXPECT_EQ(d.windowTitle(), "Running Parabola ScaleGram");
  EXPECT_EQ(d.objectName(), "Fm3RP2");
  EXPECT_TRUE(d.OkButton()->isEnabled());
  EXPECT_EQ(d.OkButton()->toolTip().toStdString(), kScalegramHintOk);
  d.Field(1)->setText("4.5");
  EXPECT_FALSE(d.OkButton()->isEnabled());
  EXPECT_EQ(d.OkButton()->toolTip().toStdString(), kScalegramHintBad);
  d.Field(0)->setText("");
  d.Field(1)->setText("-3");
  EXPECT_FALSE(d.OkButton()->isEnabled());
  d.Field(0)->setText("-20");
  EXPECT_TRUE(d.OkButton()->isEnabled());
  EXPECT_EQ(d.Values(), (std::vector<std::string>{"-20", "-3"}));
}

TEST(ScalegramDialog, TheWindowShowsItForItsNameAndReturnsTheFields) {
  testing::TestForm form;
  auto fields = TwoIntegers();
  QTimer::singleShot(0, &form, [] {
    auto* d = qobject_cast<ScalegramDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    d->Field(0)->setText("3");
    d->OkButton()->click();
  });
  EXPECT_TRUE(form.EditFields("Fm3RP2", "Running Parabola ScaleGram", fields, ""));
  EXPECT_EQ(fields[0].value, "3");
  EXPECT_EQ(fields[1].value, "40");
}

}  // namespace
}  // namespace teril

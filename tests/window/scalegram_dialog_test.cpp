// Fm3RP2, "Running Parabola ScaleGram", as the main window shows it: OK and
// its hint follow the two integer fields.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "smoothing/scalegram.h"
#include "window/scalegram_dialog.h"
#include "window_harness.h"

namespace teril {
namespace {

TEST(ScalegramDialog, OkFollowsTheFieldsAndTheValuesComeBack) {
  testing::TestForm form;
  auto integer = [](const std::string& s) { return ParseInteger(s).has_value(); };
  std::vector<DialogField> fields{{"20*lg(Dt_min)=", "7", "", integer},
                                  {"20*lg(Dt_max)=", "40", "", integer}};
  QTimer::singleShot(0, &form, [] {
    auto* d = qobject_cast<ScalegramDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Running Parabola ScaleGram");
    EXPECT_TRUE(d->OkButton()->isEnabled());
    EXPECT_EQ(d->OkButton()->toolTip().toStdString(), kScalegramHintOk);
    d->Field(1)->setText("4.5");
    EXPECT_FALSE(d->OkButton()->isEnabled());
    EXPECT_EQ(d->OkButton()->toolTip().toStdString(), kScalegramHintBad);
    d->Field(0)->setText("-20");
    d->Field(1)->setText("3");
    d->OkButton()->click();
  });
  EXPECT_TRUE(form.EditFields("Fm3RP2", "Running Parabola ScaleGram", fields, ""));
  EXPECT_EQ(fields[0].value, "-20");
  EXPECT_EQ(fields[1].value, "3");
}

}  // namespace
}  // namespace teril

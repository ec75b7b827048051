// "Choose method": the two check lists keep their marks and "Do it!"
// accepts the form.
#include "window/choose_method_dialog.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

namespace teril {
namespace {

TEST(ChooseMethodDialog, ShowsTheMarksGivenAndReadsBackTheMarksMade) {
  MethodChoice c;
  c.caption = "Choose method";
  c.items = {"Polynomial approximation", "NAV approximation", "WSP approximation"};
  c.checked = {false, true, false};
  c.option = "make new result file";
  c.optionChecked = true;
  c.button = "Do it!";
  ChooseMethodDialog d(c);
  EXPECT_EQ(d.objectName(), "choosemethod");
  EXPECT_EQ(d.windowTitle(), "Choose method");
  ASSERT_EQ(d.methods()->count(), 3);
  EXPECT_EQ(d.methods()->item(2)->text(), "WSP approximation");
  EXPECT_EQ(d.methods()->item(1)->checkState(), Qt::Checked);
  EXPECT_EQ(d.methods()->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(d.option()->item(0)->text(), "make new result file");
  EXPECT_EQ(d.button()->text(), "Do it!");
  d.methods()->item(2)->setCheckState(Qt::Checked);
  d.option()->item(0)->setCheckState(Qt::Unchecked);
  MethodChoice back = c;
  d.ReadMarks(back);
  EXPECT_EQ(back.checked, (std::vector<bool>{false, true, true}));
  EXPECT_FALSE(back.optionChecked);
  d.button()->click();
  EXPECT_EQ(d.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace teril

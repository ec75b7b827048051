// The window's generic form of edit fields with conditional fields: every
// field shown, each enabled only while it applies and is used, following
// the earlier fields as they are typed; a disabled field holds OK back
// no longer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "periodicity/periodogram_dialog.h"
#include "window_harness.h"

namespace teril {
namespace {

// Which of the ten edits of the periodogram dialog are enabled, as a
// string of 0 and 1.
std::string Enabled(const std::vector<QLineEdit*>& edits) {
  std::string s;
  for (QLineEdit* e : edits) s += e->isEnabled() ? '1' : '0';
  return s;
}

TEST(WindowConditionalFields, PeriodogramFieldsFollowTheMethod) {
  testing::TestForm form;
  std::vector<DialogField> fields = PeriodogramFields(2.5);
  std::vector<std::string> states;
  std::vector<bool> okStates;
  bool labelFollows = false;
  QTimer::singleShot(0, &form, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    const QList<QLineEdit*> found = dialog->findChildren<QLineEdit*>();
    std::vector<QLineEdit*> edits(found.begin(), found.end());
    ASSERT_EQ(edits.size(), 10u);
    auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QLineEdit* method = edits[3];
    auto record = [&] {
      states.push_back(Enabled(edits));
      okStates.push_back(ok->isEnabled());
    };
    record();  // method 1
    for (const char* m : {"3", "4", "5", "6", "7", "x"}) {
      method->setText(m);
      record();
    }
    // A refused text in a field the method uses holds OK back; once the
    // method no longer uses it, it does not.
    method->setText("5");
    edits[7]->setText("1");  // one bin
    record();
    method->setText("7");
    record();
    auto* layout = dialog->findChild<QFormLayout*>();
    labelFollows = !layout->labelForField(edits[7])->isEnabled() &&
                   layout->labelForField(edits[8])->isEnabled();
    edits[8]->setText("0.02");
    ok->click();
  });
  ASSERT_TRUE(form.EditFields("Periodogram", "Periodogram", fields, ""));
  EXPECT_EQ(states, (std::vector<std::string>{"1111100000", "1111110000", "1111111000",
                                              "1111100100", "1111100100", "1111100011",
                                              "1111100000", "1111100100", "1111100011"}));
  EXPECT_EQ(okStates, (std::vector<bool>{true, true, true, true, true, true, false, false, true}));
  EXPECT_TRUE(labelFollows);
  EXPECT_EQ(fields[3].value, "7");
  EXPECT_EQ(fields[8].value, "0.02");
  EXPECT_EQ(fields[7].value, "1");  // kept as typed; method 7 does not read it
}

}  // namespace
}  // namespace teril

// Long work in the window: the progress bar and its Cancel button, and the
// commands that are refused while the work runs inside a command.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "window_harness.h"

namespace teril {
namespace {

using testing::TestForm;

// Calls Progress as a computation would, pausing a little between units,
// until it answers "stop" or `units` have been done. Returns the units done.
int Work(TestForm& form, int units) {
  for (int i = 0; i < units; ++i) {
    if (!form.Progress(i, units, "Test work")) return i;
    QThread::msleep(2);
  }
  return units;
}

TEST(WindowProgress, CancelStopsTheWorkAndTheBarGoesAway) {
  TestForm form;
  form.ShowActive();
  EXPECT_FALSE(form.progressBar()->isVisible());
  QTimer::singleShot(150, &form, [&] {
    EXPECT_TRUE(form.progressBar()->isVisible());
    EXPECT_TRUE(form.cancelButton()->isVisible());
    QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
  });
  int done = Work(form, 100000);
  EXPECT_LT(done, 100000);
  form.EndProgress();
  EXPECT_FALSE(form.progressBar()->isVisible());
  // The next work starts afresh: the earlier Cancel does not stop it.
  EXPECT_EQ(Work(form, 5), 5);
  form.EndProgress();
}

TEST(WindowProgress, MenuCommandsWaitUntilTheWorkHasEnded) {
  TestForm form;
  form.ShowActive();
  QTimer::singleShot(60, &form, [&] {
    EXPECT_TRUE(form.Busy());
    form.Action("about")->trigger();  // would show a message box
  });
  Work(form, 100);
  form.EndProgress();
  EXPECT_TRUE(form.messages.empty());
  EXPECT_GE(form.CountLog("!!! IO is not waiting for input"), 1);
  // Once the work has ended the same command runs.
  form.Action("about")->trigger();
  EXPECT_EQ(form.messages.size(), 1u);
}

// A line entered or a key typed while the work runs would act in the middle
// of it (or on the data it is about to replace): both are refused.
TEST(WindowProgress, KeysAndLinesWaitUntilTheWorkHasEnded) {
  TestForm form;
  form.ShowActive();
  auto& console = form.engine().console;
  console.waitingForInput = 1;
  console.inputMode = kModeKey;
  console.atCommandKey = true;
  QTimer::singleShot(60, &form, [&] {
    EXPECT_TRUE(form.Busy());
    form.Type("5");
    QTest::keyClick(&form, Qt::Key_Minus);  // zoom out, outside the work
  });
  Work(form, 100);
  form.EndProgress();
  EXPECT_EQ(console.waitingForInput, 1);  // the key wait was not answered
  EXPECT_GE(form.CountLog("!!! IO is not waiting for input"), 1);
  console.waitingForInput = 0;
}

}  // namespace
}  // namespace teril

namespace teril {
namespace {

// The generic form of edit fields: the note above the fields, hints, and
// OK disabled while a checked field holds a text it refuses.
TEST(WindowEditFields, OkFollowsTheFieldCheckAndTheNoteIsShown) {
  testing::TestForm form;
  std::vector<DialogField> fields{
      {"Sigma_0", "abc", "a positive number",
       [](const std::string& s) { return !s.empty() && s.find_first_not_of("0123456789.") == s.npos; }}};
  bool okAtStart = true, okAfterTyping = false;
  QString note;
  QTimer::singleShot(0, &form, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    okAtStart = ok->isEnabled();
    auto* edit = dialog->findChild<QLineEdit*>();
    EXPECT_EQ(edit->toolTip(), "a positive number");
    edit->setText("0.25");
    okAfterTyping = ok->isEnabled();
    note = dialog->findChild<QLabel*>("note")->text();
    ok->click();
  });
  EXPECT_TRUE(form.EditFields("InsSig3", "Insert Sigma_0 for 3-point", fields, "A note"));
  EXPECT_FALSE(okAtStart);
  EXPECT_TRUE(okAfterTyping);
  EXPECT_EQ(note, "A note");
  EXPECT_EQ(fields[0].value, "0.25");
}

}  // namespace
}  // namespace teril

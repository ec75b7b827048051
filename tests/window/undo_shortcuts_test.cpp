// Undo and Redo from the keyboard of the window: Ctrl+Z, and Ctrl+Shift+Z
// or Ctrl+Y, typed while the engine waits for a key.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "support/scripted_host.h"
#include "window/window_harness.h"

namespace teril {
namespace {

using testing::TestForm;

class UndoShortcutsTest : public testing::TempFolderTest {};

TEST_F(UndoShortcutsTest, CtrlZUndoesADeletionAndCtrlShiftZOrCtrlYRedoesIt) {
  std::string text;
  for (int i = 1; i <= 5; ++i) text += Str(100 + i / 10.0, 9, 5) + " " + Str(10 + i, 7, 3) + " A\n";
  const std::string path = WriteText("ab.dat", text);
  TestForm form({path});
  QLineEdit* edit = form.Edit1();
  std::vector<int> counts;
  auto count = [&] { counts.push_back(form.engine().data.n); };
  auto ctrl = [&](Qt::Key key, Qt::KeyboardModifiers more = Qt::NoModifier) {
    QTest::keyClick(edit, key, Qt::ControlModifier | more);
    count();
  };
  form.steps = {[&] { QTest::keyClick(edit, Qt::Key_Right); },
                [&] { QTest::keyClick(edit, Qt::Key_Delete); },  // point 2 goes
                [&] {
                  // The shortcuts act inside this one wait.
                  count();
                  ctrl(Qt::Key_Z);
                  ctrl(Qt::Key_Y);
                  ctrl(Qt::Key_Z);
                  ctrl(Qt::Key_Z, Qt::ShiftModifier);
                  QTest::keyClick(edit, Qt::Key_F2);
                },
                [&] { form.Type(";"); }};
  form.ShowActive();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return form.Quitting() || (form.steps.empty() && !form.engine().run.inFileRun); },
      30000));
  EXPECT_EQ(counts, (std::vector<int>{4, 5, 4, 5, 4}));
  EXPECT_EQ(form.CountLog("Undo Delete current point: 1 point back, n=5"), 2);
  EXPECT_EQ(form.CountLog("Redo Delete current point: 1 point deleted again, n=4"), 2);
  const auto lines = ReadLines("ab$.dat");
  ASSERT_EQ(lines.size(), 4u);
  for (const auto& l : lines) EXPECT_EQ(l.find("100.20000"), std::string::npos) << l;
}

}  // namespace
}  // namespace teril

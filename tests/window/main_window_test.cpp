// The main window driven as the astronomer drives it: keys in the command
// field, shortcuts, menu actions and dialogs during file runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTimer>
#include <filesystem>

#include "base/numfmt.h"
#include "support/scripted_host.h"
#include "window/print_precision_dialog.h"
#include "window_harness.h"

namespace teril {
namespace {

using testing::TestForm;

// Points at t = 100.1, 100.2, ... with x = 10.1, 10.2, ... and observer A.
std::string Points(int n) {
  std::string s;
  for (int i = 1; i <= n; ++i)
    s += Str(100 + i / 10.0, 9, 5) + " " + Str(10 + i / 10.0, 7, 3) + " A\n";
  return s;
}

class MainWindowTest : public testing::TempFolderTest {};

TEST_F(MainWindowTest, FileNamedOnTheCommandLineOpensOnceAtTheFirstActivation) {
  std::string path = WriteText("once.dat", Points(4));
  TestForm form({path});
  form.steps = {[&] { form.Type(";"); }};
  form.ShowActive();
  ASSERT_TRUE(form.RunEnded());
  EXPECT_EQ(form.CountLog("  InputFile="), 1);
  EXPECT_EQ(form.windowTitle(), "ZR : ...");
  // Showing the window again does not open the file again.
  form.hide();
  form.ShowActive();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(form.CountLog("  InputFile="), 1);
  EXPECT_EQ(form.CountLog("once.dat"), 1);
}

TEST_F(MainWindowTest, ArrowsDelAndF2WorkInTheCommandFieldAndDeleteThePoint) {
  std::string path = WriteText("ab.dat", Points(5));
  TestForm form({path});
  QLineEdit* edit = form.Edit1();
  form.steps = {
      [&] { QTest::keyClick(edit, Qt::Key_Right); }, [&] { QTest::keyClick(edit, Qt::Key_Right); },
      [&] { QTest::keyClick(edit, Qt::Key_Delete); }, [&] { QTest::keyClick(edit, Qt::Key_F2); }};
  form.ShowActive();
  ASSERT_TRUE(form.RunEnded());
  auto lines = ReadLines("ab$.dat");
  ASSERT_EQ(lines.size(), 4u);
  for (auto& l : lines) EXPECT_EQ(l.find("100.30000"), std::string::npos) << l;
  EXPECT_NE(lines[1].find("100.20000"), std::string::npos);
  EXPECT_NE(lines[2].find("100.40000"), std::string::npos);
  // The deleted point is on record.
  EXPECT_NE(ReadText("discard0.qvx").find("100.30000"), std::string::npos);
}

TEST_F(MainWindowTest, InsertInTheCommandFieldRunsTheThreePointParabola) {
  std::string path = WriteText("ins.dat", Points(5));  // on a straight line
  TestForm form({path});
  QString field = "unset";
  form.steps = {[&] { QTest::keyClick(form.Edit1(), Qt::Key_Insert); },
                [&] {
                  field = form.Edit1()->text();
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(form.RunEnded());
  EXPECT_EQ(form.CountLog("3-point parabola"), 1);
  EXPECT_EQ(field, "");
  ASSERT_FALSE(form.messages.empty());
  EXPECT_EQ(form.messages.back(), "No extremum: the three points lie on a straight line");
}

TEST_F(MainWindowTest, PlusTypedWhileAKeyIsAwaitedZoomsAtOnceAndStaysInTheField) {
  std::string path = WriteText("zoom.dat", Points(8));
  TestForm form({path});
  double before = 0, after = 0;
  QString field;
  form.steps = {[&] {
                  before = form.engine().view.halfWidth;
                  QTest::keyClick(form.Edit1(), '+');
                },
                [&] {
                  after = form.engine().view.halfWidth;
                  field = form.Edit1()->text();
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(form.RunEnded());
  EXPECT_GT(before, 0);
  EXPECT_NEAR(after, before / 2, before * 1e-9);
  EXPECT_EQ(field, "+");
}

TEST_F(MainWindowTest, ShortcutLetterRunsItsCommandInsteadOfEditingTheField) {
  std::string path = WriteText("ph.dat", Points(6));
  TestForm form({path});
  bool phased = false;
  QString field = "unset";
  form.steps = {[&] { QTest::keyClick(form.Edit1(), Qt::Key_F); },
                [&] {
                  phased = form.engine().data.phased;
                  field = form.Edit1()->text();
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(form.RunEnded());
  EXPECT_TRUE(phased);
  EXPECT_TRUE(form.engine().checks.phase);
  EXPECT_EQ(field, "");
}

TEST_F(MainWindowTest, MenuActionWhileTheEngineComputesIsRefused) {
  // The bad second line stops the load with a message box; while it shows,
  // the engine is busy and does not wait for a key.
  std::string path = WriteText("bad.dat", "100.10000 10.100 A\n100.20000 abc A\n");
  TestForm form({path});
  int jBefore = 0, jAfter = 0;
  form.onMessage = [&] {
    jBefore = form.engine().view.j;
    form.Action("Next")->trigger();
    jAfter = form.engine().view.j;
  };
  form.ShowActive();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return !form.messages.empty() && !form.engine().run.inFileRun; }, 30000));
  EXPECT_EQ(form.CountLog("!!! IO is not waiting for input"), 1);
  EXPECT_EQ(jAfter, jBefore);
  EXPECT_FALSE(form.Quitting());
}

TEST_F(MainWindowTest, CtrlOIntoAnotherFolderMakesItCurrentWithoutNestingRuns) {
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  std::string first = WriteText("a/one.dat", Points(3));
  std::string second = WriteText("b/two.dat", Points(5));
  TestForm form({first});
  form.fileAnswers = {second};
  QString folderDuringSecond;
  bool nested = true;
  form.steps = {[&] { QTest::keyClick(form.Edit1(), Qt::Key_O, Qt::ControlModifier); },
                [&] {
                  folderDuringSecond = QDir::currentPath();
                  // The first run has ended: its title was set back.
                  nested = form.engine().data.n != 5;
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(form.RunEnded());
  EXPECT_EQ(std::filesystem::path(folderDuringSecond.toStdString()), dir / "b");
  EXPECT_FALSE(nested);
  EXPECT_NE(ReadText("b/ZR.log").find("two.dat"), std::string::npos);
  EXPECT_EQ(ReadText("a/ZR.log").find("two.dat"), std::string::npos);
  EXPECT_EQ(form.CountLog("  InputFile="), 2);
}

TEST_F(MainWindowTest, PrintPrecisionTimeWidth14IsUsedByTheNextSave) {
  std::string path = WriteText("pp.dat", Points(3));
  TestForm form({path});
  QString sample;
  form.steps = {[&] {
                  QTimer::singleShot(0, [&] {
                    auto* d =
                        qobject_cast<PrintPrecisionDialog*>(QApplication::activeModalWidget());
                    ASSERT_NE(d, nullptr);
                    d->Field(0)->setText("14");
                    sample = d->TimeSample()->text();
                    d->accept();
                  });
                  form.Action("F2PrPr1")->trigger();
                },
                [&] { QTest::keyClick(form.Edit1(), Qt::Key_F2); }};
  form.ShowActive();
  ASSERT_TRUE(form.RunEnded());
  EXPECT_EQ(sample, "|     100.10000|");
  auto lines = ReadLines("pp$.dat");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 14), "     100.10000");
}

TEST_F(MainWindowTest, ExitDuringAWaitUnwindsEveryWaitWithStatusZero) {
  std::string path = WriteText("ex.dat", Points(3));
  TestForm form({path});
  form.steps = {[&] { form.Action("ExitAct")->trigger(); }};
  form.ShowActive();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return form.Quitting() && !form.engine().run.inFileRun; }, 30000));
  EXPECT_EQ(form.exitCode, 0);
}

TEST_F(MainWindowTest, TypingWhileIdleIsSwallowedAndKeysAreRefused) {
  TestForm form;
  form.ShowActive();
  form.Edit1()->setFocus();
  QTest::keyClick(form.Edit1(), 'a');
  EXPECT_EQ(form.Edit1()->text(), "");
  QTest::keyClick(form.Edit1(), '+');
  EXPECT_EQ(form.CountLog("!!! IO is not waiting for input"), 1);
  // The log pane can be saved to actions.log in the current folder.
  auto* save = form.findChild<QAction*>("Savelogtofile1");
  ASSERT_NE(save, nullptr);
  save->trigger();
  EXPECT_EQ(ReadText("actions.log"), "!!! IO is not waiting for input\n");
}

TEST_F(MainWindowTest, ProgramGrabsItsWindowAndExitsWithStatusZero) {
  std::string path = WriteText("shot.dat", Points(10));
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("TERIL_HOME", QString::fromStdString((dir / "home").string()));
  p.setProcessEnvironment(env);
  const QString shot = QString::fromStdString((dir / "shot.png").string());
  p.start(TERIL_BINARY, {"--screenshot", shot, QString::fromStdString(path)});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
  QImage img(shot);
  EXPECT_GE(img.width(), 640);
  EXPECT_NE(ReadText("ZR.log").find("shot.dat"), std::string::npos);
}

}  // namespace
}  // namespace teril

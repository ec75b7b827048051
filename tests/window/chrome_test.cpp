// What the window shows around the plot while the astronomer works: the
// title mark for unsaved edits, the full prompt, the status line, the files
// written, the help pages, the remembered placement and the question before
// unsaved edits are thrown away.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <filesystem>

#include "base/numfmt.h"
#include "console/commands.h"
#include "support/scripted_host.h"
#include "window/help_pages.h"
#include "window/results_panel.h"
#include "window_harness.h"

namespace teril {
namespace {

using testing::TestForm;
using SaveChoice = Dialogs::SaveChoice;

// Points at t = 100.1, 100.2, ... with x = 10.1, 10.2, ... and observer A.
std::string Points(int n) {
  std::string s;
  for (int i = 1; i <= n; ++i)
    s += Str(100 + i / 10.0, 9, 5) + " " + Str(10 + i / 10.0, 7, 3) + " A\n";
  return s;
}

class ChromeTest : public testing::TempFolderTest {
 protected:
  // Each test keeps its settings (c.z and the window's INI file) in a
  // folder of its own.
  void SetUp() override {
    TempFolderTest::SetUp();
    savedHome_ = qgetenv("TERIL_HOME");
    qputenv("TERIL_HOME", QByteArray::fromStdString((dir / "home").string()));
  }
  void TearDown() override {
    qputenv("TERIL_HOME", savedHome_);
    TempFolderTest::TearDown();
  }
  static bool Ended(TestForm& form) {
    return QTest::qWaitFor(
        [&] { return form.Quitting() || (form.steps.empty() && !form.engine().run.inFileRun); },
        30000);
  }
  static int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  }

 private:
  QByteArray savedHome_;
};

TEST_F(ChromeTest, TitleMarksUnsavedEditsUntilTheyAreSaved) {
  std::string path = WriteText("mark.dat", Points(5));
  TestForm form({path});
  QString before, edited, saved;
  form.steps = {[&] {
                  before = form.windowTitle();
                  form.Action("Delete")->trigger();
                },
                [&] {
                  edited = form.windowTitle();
                  form.Action("Save")->trigger();
                },
                [&] {
                  saved = form.windowTitle();
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(Ended(form));
  const QString title = QString::fromStdString("ZR : " + path);
  EXPECT_EQ(before, title);
  EXPECT_EQ(edited, title + " *");
  EXPECT_EQ(saved, title);
  EXPECT_EQ(Lines(ReadText(form.engine().run.outputFile)), 4);
}

TEST_F(ChromeTest, PromptLineShowsThePendingPromptInFullWithItsDefault) {
  std::string path = WriteText("prompt.dat", Points(5));
  TestForm form({path});
  QString shown, afterwards = "unset";
  bool visible = false;
  int nnh = 0;
  form.steps = {[&] {
                  nnh = form.engine().eph.NNH;
                  form.Type("~$");
                },
                [&] {
                  shown = form.promptLine()->text();
                  visible = form.promptLine()->isVisible();
                  form.Type("");  // keeps the number
                },
                [&] {
                  afterwards = form.promptLine()->text();
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(Ended(form));
  EXPECT_EQ(shown, QString("number of points for the mean curve (<=500)  [%1]").arg(nnh));
  EXPECT_TRUE(visible);
  // The command key is asked without a prompt of its own.
  EXPECT_EQ(afterwards, "");
}

TEST_F(ChromeTest, StatusLineFollowsTheCurrentPointAndSaysWhatAKeySet) {
  std::string path = WriteText("status.dat", Points(5));
  TestForm form({path});
  QString first, second, value;
  int j1 = 0, j2 = 0;
  form.steps = {[&] {
                  j1 = form.engine().view.j;
                  first = form.pointStatus()->text();
                  form.Action("Next")->trigger();
                },
                [&] {
                  j2 = form.engine().view.j;
                  second = form.pointStatus()->text();
                  form.Type("^O");
                },
                [&] {
                  value = form.valueStatus()->text();
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(Ended(form));
  auto expected = [](int j) {
    return QString("Point %1 of 5    t = %2    x = %3    observer A")
        .arg(j)
        .arg(100 + j / 10.0, 0, 'f', 5)
        .arg(10 + j / 10.0, 0, 'f', 3);
  };
  ASSERT_GE(j1, 1);
  EXPECT_EQ(j2, j1 + 1);
  EXPECT_EQ(first, expected(j1));
  EXPECT_EQ(second, expected(j2));
  // ^O makes the time of the current point T0: in the status line and the log.
  const QString t0 = QString("T0 = %1").arg(100 + j2 / 10.0);
  EXPECT_EQ(value, "Set by a key: " + t0);
  EXPECT_EQ(form.CountLog(t0), 1);
  EXPECT_DOUBLE_EQ(form.engine().eph.epochT0, 100 + j2 / 10.0);
}

TEST_F(ChromeTest, ResultsPanelListsTheFilesWrittenNewestFirstAndShowsThem) {
  std::string path = WriteText("res.dat", Points(5));
  TestForm form({path});
  ResultsPanel* results = form.results();
  form.steps = {[&] { form.Action("Delete")->trigger(); }, [&] { form.Type("~2"); },
                [&] { form.Type(";"); }};
  form.ShowActive();
  ASSERT_TRUE(Ended(form));
  QListWidget* list = results->list();
  ASSERT_EQ(list->count(), 2);
  const QString output = QString::fromStdString(form.engine().run.outputFile);
  EXPECT_EQ(list->item(0)->text(), output + "    key ~2");
  EXPECT_EQ(list->item(1)->text(), "discard0.qvx    Delete current point");
  // The newest is shown at once, as it stands in the file.
  results->Reload();
  EXPECT_EQ(results->view()->toPlainText().toStdString(), ReadText(output.toStdString()));
  EXPECT_EQ(results->shownPath(), QFileInfo(output).absoluteFilePath());
  // Columns line up: a fixed-pitch font and no wrapping.
  EXPECT_TRUE(QFontInfo(results->view()->font()).fixedPitch());
  EXPECT_EQ(results->view()->lineWrapMode(), QPlainTextEdit::NoWrap);
  // A click shows another.
  list->setCurrentRow(1);
  EXPECT_EQ(results->view()->toPlainText().toStdString(), ReadText("discard0.qvx"));
  // The log keeps one item per line.
  EXPECT_EQ(form.CountLog("LOG>>Save complete!"), 1);
}

TEST_F(ChromeTest, HelpMenuShowsTheKeyReferenceAndThePeriodSearch) {
  TestForm form;
  form.ShowActive();
  QAction* keys = form.Action("KeyReference1");
  ASSERT_EQ(keys, nullptr);  // not a registry entry: it is found as a child
  keys = form.findChild<QAction*>("KeyReference1");
  QAction* period = form.findChild<QAction*>("PeriodSearchHelp1");
  ASSERT_NE(keys, nullptr);
  ASSERT_NE(period, nullptr);
  keys->trigger();
  period->trigger();
  auto pages = form.findChildren<HelpPage*>();
  ASSERT_EQ(pages.size(), 2);
  const QString keyText = pages[0]->browser()->toPlainText();
  const QString periodText = pages[1]->browser()->toPlainText();
  EXPECT_TRUE(pages[0]->browser()->isReadOnly());
  EXPECT_TRUE(keyText.startsWith("TERIL key reference")) << keyText.left(80).toStdString();
  EXPECT_TRUE(keyText.contains("current point"));
  EXPECT_TRUE(periodText.startsWith("Period search")) << periodText.left(80).toStdString();
  EXPECT_TRUE(periodText.contains("Which method for which star"));
  EXPECT_FALSE(periodText.contains("Multi-frequency analysis"));
  // Asked again, the same page comes back.
  keys->trigger();
  EXPECT_EQ(form.findChildren<HelpPage*>().size(), 2);
  EXPECT_NE(AboutText().find("\nVersion "), std::string::npos);
}

TEST_F(ChromeTest, ToolButtonsSayWhatTheyDoWithTheirKeys) {
  TestForm form;
  EXPECT_EQ(form.Action("Open")->toolTip(), "Open a data file (Ctrl+O)");
  EXPECT_EQ(form.Action("ZoomIn")->toolTip(), "Zoom in about the current point (+)");
  EXPECT_EQ(form.Action("Delete")->toolTip(), "Delete the current point (Del)");
}

TEST_F(ChromeTest, SizePositionAndSplitAreKeptInTheSettingsFolder) {
  QList<int> split;
  QSize size;
  QPoint pos;
  QString ini;
  {
    TestForm first;
    first.ShowActive();
    // The height is free on any screen; the width cannot go below what the
    // plot needs.
    first.resize(700, 520);
    first.move(30, 40);
    QCoreApplication::processEvents();
    first.splitter()->setSizes({first.splitter()->width() - 300, 300});
    split = first.splitter()->sizes();
    size = first.size();
    pos = first.pos();
    ini = first.WindowSettingsFile();
    first.ExitProgram(0);
  }
  EXPECT_EQ(size.height(), 520);
  EXPECT_EQ(QFileInfo(ini).absolutePath(), QString::fromStdString((dir / "home").string()));
  ASSERT_TRUE(QFileInfo::exists(ini));
  TestForm second;
  second.ShowActive();
  QCoreApplication::processEvents();
  EXPECT_EQ(second.size(), size);
  EXPECT_EQ(second.pos(), pos);
  EXPECT_EQ(second.splitter()->sizes(), split);
  // Without the file the window starts at its first size again.
  second.ExitProgram(0);
  ASSERT_TRUE(QFile::remove(ini));
  TestForm third;
  EXPECT_NE(third.size(), size);
}

// The close question: Cancel goes back to the run untouched, Discard ends
// without saving, Save writes the data as F2 does.
TEST_F(ChromeTest, ClosingWithUnsavedEditsAsksAndCancelKeepsTheRun) {
  std::string path = WriteText("q.dat", Points(5));
  TestForm form({path});
  QStringList asked;
  form.SetSaveQuestionHook([&](const QString& file) {
    asked << file;
    return SaveChoice::Cancel;
  });
  bool closedOnCancel = true, exitedOnCancel = true;
  int nAfterCancel = 0;
  form.steps = {[&] { form.Action("Delete")->trigger(); },
                [&] {
                  form.close();
                  closedOnCancel = !form.isVisible();
                  form.Action("ExitAct")->trigger();
                  exitedOnCancel = form.Quitting();
                  form.Type(":ExitAct");  // by name: the same question
                },
                [&] {
                  exitedOnCancel = exitedOnCancel || form.Quitting();
                  nAfterCancel = form.engine().data.n;
                  form.SetSaveQuestionHook([&](const QString& file) {
                    asked << file;
                    return SaveChoice::Discard;
                  });
                  form.close();
                }};
  form.ShowActive();
  ASSERT_TRUE(Ended(form));
  const QString output = QString::fromStdString(form.engine().run.outputFile);
  EXPECT_EQ(asked, QStringList({output, output, output, output}));
  EXPECT_FALSE(closedOnCancel);
  EXPECT_FALSE(exitedOnCancel);
  EXPECT_EQ(nAfterCancel, 4);
  EXPECT_TRUE(form.Quitting());
  EXPECT_EQ(form.exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / output.toStdString()));
}

TEST_F(ChromeTest, SaveInTheCloseQuestionWritesTheDataAndEnds) {
  std::string path = WriteText("s.dat", Points(5));
  TestForm form({path});
  form.SetSaveQuestionHook([](const QString&) { return SaveChoice::Save; });
  form.steps = {[&] { form.Action("Delete")->trigger(); }, [&] { form.close(); }};
  form.ShowActive();
  ASSERT_TRUE(Ended(form));
  EXPECT_TRUE(form.Quitting());
  EXPECT_EQ(form.exitCode, 0);
  const std::string saved = ReadText(form.engine().run.outputFile);
  EXPECT_EQ(Lines(saved), 4);
  // The current point, the first, was deleted.
  EXPECT_EQ(saved.find("100.10000"), std::string::npos);
  EXPECT_NE(saved.find("100.20000"), std::string::npos);
}

TEST_F(ChromeTest, FailedSaveInTheCloseQuestionKeepsTheWindowOpen) {
  std::filesystem::create_directories(dir / "d");
  std::string path = WriteText("d/f.dat", Points(5));
  TestForm form({path});
  SaveChoice answer = SaveChoice::Save;
  form.SetSaveQuestionHook([&](const QString&) { return answer; });
  bool quitAfterFailure = true;
  bool stillModified = false;
  form.steps = {[&] { form.Action("Delete")->trigger(); },
                [&] {
                  // The folder of the data goes away under the run.
                  std::filesystem::remove_all(dir / "d");
                  form.close();
                  quitAfterFailure = form.Quitting();
                  stillModified = form.engine().run.modified;
                  answer = SaveChoice::Discard;
                  form.Action("ExitAct")->trigger();
                }};
  form.ShowActive();
  ASSERT_TRUE(Ended(form));
  EXPECT_FALSE(quitAfterFailure);
  EXPECT_TRUE(stillModified);
  ASSERT_FALSE(form.messages.empty());
  EXPECT_NE(form.messages.front().find(form.engine().run.outputFile), std::string::npos)
      << form.messages.front();
  EXPECT_NE(form.messages.front().find("No such file or directory"), std::string::npos)
      << form.messages.front();
  EXPECT_TRUE(form.Quitting());  // Discard then ended it
}

TEST_F(ChromeTest, ReopenWithUnsavedEditsAsksAndCancelKeepsTheEdits) {
  std::string path = WriteText("r.dat", Points(5));
  TestForm form({path});
  int asked = 0;
  form.SetSaveQuestionHook([&](const QString&) {
    ++asked;
    return asked == 1 ? SaveChoice::Cancel : SaveChoice::Discard;
  });
  int nAfterCancel = 0, nAfterDiscard = 0;
  form.steps = {[&] { form.Action("Delete")->trigger(); },
                [&] {
                  form.Action("ReOpen")->trigger();  // Cancel: nothing happens
                  nAfterCancel = form.engine().data.n;
                  form.Action("ReOpen")->trigger();  // Discard: the file again
                },
                [&] {
                  nAfterDiscard = form.engine().data.n;
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(Ended(form));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(nAfterCancel, 4);
  EXPECT_EQ(nAfterDiscard, 5);
  EXPECT_FALSE(std::filesystem::exists(dir / form.engine().run.outputFile));
}

// Re-open used to flip the axis back while "Inverse x" stayed checked.
TEST_F(ChromeTest, ReopenKeepsTheAxisAsInverseXIsChecked) {
  std::string path = WriteText("inv.dat", Points(5));
  TestForm form({path});
  bool before = false, mark = false, state = false, checked = false;
  form.steps = {[&] {
                  before = form.engine().checks.inverseX;
                  form.Action("Inversex1")->trigger();  // the other way round
                },
                [&] { form.Action("ReOpen")->trigger(); },
                [&] {
                  state = form.engine().checks.inverseX;
                  mark = form.Action("Inversex1")->isChecked();
                  form.Action("Inversex1")->trigger();  // and back
                },
                [&] { form.Action("ReOpen")->trigger(); },
                [&] {
                  checked = form.engine().checks.inverseX && form.Action("Inversex1")->isChecked();
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(Ended(form));
  EXPECT_EQ(form.CountLog("  InputFile="), 3);
  EXPECT_EQ(state, !before);
  EXPECT_EQ(mark, !before);
  EXPECT_EQ(checked, before);
}

}  // namespace
}  // namespace teril

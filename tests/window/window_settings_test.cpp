// The pieces of the window's chrome that need no window: the placement
// file and its fitting to the screen, the help section of the README, the
// text of a result file as the Results panel shows it.
#include "window/window_settings.h"

#include <gtest/gtest.h>

#include <QFile>

#include "support/scripted_host.h"
#include "window/help_pages.h"
#include "window/results_panel.h"

namespace teril {
namespace {

class WindowSettingsTest : public testing::TempFolderTest {};

TEST_F(WindowSettingsTest, PlacementRoundTripsThroughTheIniFileOfTheSettingsFolder) {
  const QString path = WindowSettingsPath((dir / "new" / "folder").string());
  EXPECT_TRUE(path.endsWith("/new/folder/window.ini"));
  EXPECT_FALSE(ReadWindowPlacement(path));  // nothing stored yet
  WindowPlacement p{QPoint(40, 30), QSize(1234, 777), {800, 420}, {500, 250}};
  QString why;
  ASSERT_TRUE(WriteWindowPlacement(path, p, &why)) << why.toStdString();
  auto back = ReadWindowPlacement(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pos, p.pos);
  EXPECT_EQ(back->size, p.size);
  EXPECT_EQ(back->split, p.split);
  EXPECT_EQ(back->logSplit, p.logSplit);
}

TEST_F(WindowSettingsTest, UnusableStoredValuesAreIgnored) {
  WriteText("bad.ini", "[MainWindow]\nsize=@Size(20 10)\nsplit=a, b\n");
  EXPECT_FALSE(ReadWindowPlacement(QString::fromStdString((dir / "bad.ini").string())));
  WriteText("split.ini", "[MainWindow]\nsize=@Size(900 600)\nsplit=a, 3\n");
  auto p = ReadWindowPlacement(QString::fromStdString((dir / "split.ini").string()));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->size, QSize(900, 600));
  EXPECT_TRUE(p->split.isEmpty());
}

TEST(WindowPlacement, FirstSizeSuitsTheScreenAndStaysOnIt) {
  // A 1600 x 1000 screen: a good deal larger than the old 1000 x 520, and
  // a margin left on every side.
  const QSize big = DefaultWindowSize(QRect(0, 0, 1600, 1000));
  EXPECT_GE(big.width(), 1200);
  EXPECT_GE(big.height(), 800);
  EXPECT_LE(big.width(), 1440);
  EXPECT_LE(big.height(), 900);
  // A small screen gets 90 % of it.
  EXPECT_EQ(DefaultWindowSize(QRect(0, 0, 1000, 700)), QSize(900, 630));
}

TEST(WindowPlacement, AStoredPlacementIsFittedToTheScreensOfToday) {
  const QRect screen(0, 0, 1600, 1000);
  // On the screen: kept as it was.
  WindowPlacement on{QPoint(100, 50), QSize(1200, 800), {}, {}};
  WindowPlacement kept = FittedPlacement(on, screen);
  EXPECT_EQ(kept.pos, on.pos);
  EXPECT_EQ(kept.size, on.size);
  // Left on a second screen that has gone: moved back, whole.
  WindowPlacement gone = FittedPlacement({QPoint(2500, 1200), QSize(1000, 700), {}, {}}, screen);
  EXPECT_TRUE(screen.contains(QRect(gone.pos, gone.size)));
  EXPECT_EQ(gone.size, QSize(1000, 700));
  // Larger than the screen: made to fit.
  WindowPlacement huge = FittedPlacement({QPoint(-50, -20), QSize(2400, 1500), {}, {}}, screen);
  EXPECT_EQ(huge.size, QSize(1600, 1000));
  EXPECT_EQ(huge.pos, QPoint(0, 0));
}

TEST(HelpText, SectionRunsToTheNextHeadingOfItsLevelButNotToCodeComments) {
  const QString md =
      "# Title\n\nintro\n## First\none\n```\n# a comment in a script\n## also\n```\n"
      "### Sub\nsub text\n\n## Second\ntwo\n";
  EXPECT_EQ(MarkdownSection(md, "## First"),
            "## First\none\n```\n# a comment in a script\n## also\n```\n### Sub\nsub text\n");
  EXPECT_EQ(MarkdownSection(md, "## Second"), "## Second\ntwo\n");
  EXPECT_EQ(MarkdownSection(md, "## Third"), "");
}

TEST_F(WindowSettingsTest, ResultTextIsCutAtAWholeLineAndSaysSo) {
  WriteText("table.dat", "  1.0  2.0\n  3.0  4.0\n  5.0  6.0\n");
  const QString path = QString::fromStdString((dir / "table.dat").string());
  EXPECT_EQ(ResultFileText(path, 1000), "  1.0  2.0\n  3.0  4.0\n  5.0  6.0\n");
  // 25 bytes reach into the third line: two whole lines are shown.
  EXPECT_EQ(ResultFileText(path, 25),
            "  1.0  2.0\n  3.0  4.0\n... (the first 22 of 33 bytes are shown)");
  // A byte that is not UTF-8 (the Cyrillic letter of a result header in
  // code page 1251) does not lose the rest of the text.
  WriteText("head.dat", std::string("r\xF1 = 1\n"));
  EXPECT_EQ(ResultFileText(QString::fromStdString((dir / "head.dat").string()), 1000),
            QString::fromLatin1("r\xF1 = 1\n"));
  EXPECT_TRUE(ResultFileText(QString::fromStdString((dir / "none").string()), 10)
                  .startsWith("Cannot read"));
}

}  // namespace
}  // namespace teril

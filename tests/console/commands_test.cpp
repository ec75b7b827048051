// The registry of named commands: names, shortcuts, the keys the menu items
// hand to the engine, and whole commands run by name during file runs.
#include "console/commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "engine/engine.h"
#include "console/file_run.h"
#include "base/io.h"
#include "base/numfmt.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST(Registry, NamesAreUniqueWithoutRegardToCaseAndEveryEntryIsComplete) {
  std::set<std::string> names;
  const auto& menus = MenuOrder();
  for (const NamedCommand& c : Commands()) {
    EXPECT_TRUE(names.insert(Lower(c.name)).second) << c.name;
    if (!c.itemName.empty()) {
      EXPECT_TRUE(names.insert(Lower(c.itemName)).second) << c.itemName;
    }
    EXPECT_FALSE(c.caption.empty()) << c.name;
    EXPECT_TRUE(static_cast<bool>(c.handler)) << c.name;
    EXPECT_NE(std::find(menus.begin(), menus.end(), c.menu), menus.end()) << c.name;
  }
  // Lookup ignores case and knows the menu items' own names.
  ASSERT_NE(FindCommand("sort1"), nullptr);
  EXPECT_EQ(FindCommand("sort1")->name, "Sort1");
  ASSERT_NE(FindCommand("SAVE1"), nullptr);
  EXPECT_EQ(FindCommand("SAVE1")->name, "Save");
  EXPECT_EQ(FindCommand("Index1"), nullptr);  // no handler: not offered
}

TEST(Registry, EachShortcutRunsOneCommandAndTheFirstMetWins) {
  std::set<std::string> seen;
  for (auto& [keys, c] : ActiveShortcuts()) {
    EXPECT_TRUE(seen.insert(keys).second) << keys << " registered twice";
    EXPECT_EQ(c->shortcut, keys);
  }
  auto owner = [](const char* keys) {
    const NamedCommand* c = ShortcutOwner(keys);
    return c ? c->name : std::string("-");
  };
  EXPECT_EQ(owner("Del"), "Delete");
  EXPECT_EQ(owner("Ctrl+Del"), "DeleteBad");
  EXPECT_EQ(owner("Ctrl+E"), "CenterDataPoint");
  // "File for intervals" in the File menu takes Ctrl+I from "m->i".
  EXPECT_EQ(owner("Ctrl+I"), "Fileforintervals1");
  EXPECT_EQ(owner("Ctrl+O"), "Open");
  EXPECT_EQ(owner("F2"), "Save");
  EXPECT_EQ(owner("Shift+F2"), "SaveVis");
  EXPECT_EQ(owner("Right"), "Next");
  EXPECT_EQ(owner("Up"), "Top");
  // Hidden menu items that are actions keep their keys; others have none.
  EXPECT_EQ(owner("F"), "Phase");
  EXPECT_EQ(owner("V"), "Interpolate");
  EXPECT_EQ(owner("Ins"), "tpParabola");
  EXPECT_EQ(owner("Ctrl+L"), "-");
  EXPECT_EQ(owner("Ctrl+A"), "-");
}

struct KeyCase {
  const char* name;
  const char* key;
};

class InjectedKey : public testing::EngineTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(InjectedKey, HandsItsKeyToTheWaitingEngine) {
  Console& c = engine->console;
  c.waitingForInput = 1;
  c.inputMode = kModeKey;
  c.atCommandKey = true;
  ASSERT_TRUE(RunNamedCommand(*engine, GetParam().name));
  EXPECT_EQ(c.waitingForInput, 0);
  EXPECT_EQ(c.answer, GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(
    MenuKeys, InjectedKey,
    ::testing::Values(KeyCase{"Save", "~2"}, KeyCase{"Savevis1", "~1"}, KeyCase{"Close", "~G"},
                      KeyCase{"DeleteBad", ")"}, KeyCase{"Interpolate", "V"},
                      KeyCase{"Interpolatedtable1", "QI"},
                      KeyCase{"Home1", "~H"}, KeyCase{"End1", "~E"}, KeyCase{"Next", "3"},
                      KeyCase{"Prev", "1"}, KeyCase{"ScrollLeft", "~6"},
                      KeyCase{"ScrollRight", "~9"}, KeyCase{"ZoomIn", "+"}, KeyCase{"ZoomOut", "-"},
                      KeyCase{"CenterDataPoint", "E"}, KeyCase{"Refresh", "#"},
                      KeyCase{"LeftEdge", "~&"}, KeyCase{"RightEdge1", "~*"},
                      KeyCase{"RestoreInterval1", "R"}, KeyCase{"lgt1", "T"}, KeyCase{"lgx1", "Y"},
                      KeyCase{"N10t", "G"}, KeyCase{"N10x", "H"}, KeyCase{"mi1", "I"},
                      KeyCase{"im1", "M"}, KeyCase{"ReciAxis1", "\\"}, KeyCase{"xphase1", "\x83"},
                      KeyCase{"Swaptx1", "\t"}, KeyCase{"xt1", "~("}, KeyCase{"Inversex1", "*"},
                      KeyCase{"HighLightAuthor1", "#"}, KeyCase{"HintPos", "#"},
                      KeyCase{"Phase", "F"}, KeyCase{"tpParabola", "~/"},
                      KeyCase{"N3pointparabola1", "~/"}));

class CommandTest : public testing::EngineTest {};

TEST_F(CommandTest, ToggledItemsFlipTheirCheckMarkOnlyWhileAKeyIsAwaited) {
  Console& c = engine->console;
  // Nobody waits: the key is refused and the mark stays.
  RunNamedCommand(*engine, "lgt1");
  EXPECT_FALSE(engine->checks.lgT);
  EXPECT_TRUE(host.Logged("!!! IO is not waiting for input"));
  c.waitingForInput = 1;
  c.inputMode = kModeKey;
  c.atCommandKey = true;
  RunNamedCommand(*engine, "lgt1");
  EXPECT_TRUE(engine->checks.lgT);
  // Display preferences toggle at any time (the next file run uses them).
  EXPECT_TRUE(engine->checks.inverseX);
  RunNamedCommand(*engine, "Inversex1");
  EXPECT_FALSE(engine->checks.inverseX);
}

TEST_F(CommandTest, ChangeNNHKeepsOneTo500AndTakes500Otherwise) {
  host.inputBoxAnswers = {"20", "700", "abc"};
  RunNamedCommand(*engine, "ChangeNNH");
  EXPECT_EQ(engine->eph.NNH, 20);
  EXPECT_TRUE(host.Logged("NNH is now=20 from 500"));
  RunNamedCommand(*engine, "ChangeNNH");
  EXPECT_EQ(engine->eph.NNH, 500);
  engine->eph.NNH = 7;
  RunNamedCommand(*engine, "ChangeNNH");
  EXPECT_EQ(engine->eph.NNH, 500);
}

// Ten points 100.1 .. 100.5 with observer codes, in a given order of lines.
std::string Points(const std::vector<double>& ts) {
  std::string s;
  for (double t : ts) s += Str(t, 9, 5) + " 10.500 A\n";
  return s;
}

TEST_F(CommandTest, SortByNameSortsAndSavesInOrder) {
  std::string path =
      WriteText("ab.dat", "100.30000 10.3 AA\n100.10000 10.1 BB\n100.20000 10.2 CC\n");
  // "n": keep the unsorted order at load; then sort by name, save, quit.
  host.Add({"n", ":Sort1", "~2", ";"});
  RunDataFile(*engine, path);
  auto lines = ReadLines("ab$.dat");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 9), "100.10000") << lines[0];
  EXPECT_NE(lines[0].find("BB"), std::string::npos);
  EXPECT_NE(lines[1].find("CC"), std::string::npos);
  EXPECT_NE(lines[2].find("AA"), std::string::npos);
  EXPECT_TRUE(engine->checks.sorted);
}

TEST_F(CommandTest, AverageByNameWritesOneLinePerMoment) {
  // t = 1, 1, 2 with x = 10, 12, 5: means 11 and 5 with counts 2 and 1.
  std::string path = WriteText("st.dat", "1.000 10.000 A\n1.000 12.000 B\n2.000 5.000 C\n");
  host.Add({":Average1", ";"});
  RunDataFile(*engine, path);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("st_1t.dat"), std::string::npos);
  auto lines = ReadLines("st_1t.dat");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("11.000"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[0].back(), '2');
  EXPECT_NE(lines[1].find("5.000"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[1].back(), '1');
  EXPECT_EQ(engine->data.n, 3);  // the data set is not changed
}

TEST_F(CommandTest, PrintPrecisionWidthIsUsedByTheNextSave) {
  std::string path = WriteText("pp.dat", Points({100.1, 100.2, 100.3}));
  // Time width 14; an absurd signal width is refused and leaves the value.
  dialogs.fieldAnswers.push_back({"14", "", "100000000", ""});
  host.Add({":F2PrPr1", "~2", ";"});
  RunDataFile(*engine, path);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], "Print Precision");
  auto lines = ReadLines("pp$.dat");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 14), "     100.10000");
  EXPECT_LT(engine->data.xWidth, 1000);
}

TEST_F(CommandTest, OpenDuringARunClosesItAndOpensTheNewFileInItsFolder) {
  std::string first = WriteText("one.dat", Points({100.1, 100.2}));
  std::filesystem::create_directory(dir / "other");
  std::string second = WriteText("other/two.dat", Points({100.1, 100.2, 100.3}));
  dialogs.fileAnswers.push_back(second);
  host.Add({":Open", ";"});
  OpenDataFile(*engine, first, false);
  EXPECT_EQ(std::filesystem::current_path(), dir / "other");
  EXPECT_EQ(engine->data.n, 3);
  EXPECT_FALSE(engine->run.inFileRun);
  // Each folder's log holds its own run only.
  std::string log2 = ReadText("other/ZR.log");
  EXPECT_NE(log2.find("two.dat"), std::string::npos);
  EXPECT_EQ(ReadText("ZR.log").find("two.dat"), std::string::npos);
}

// A deletion not saved yet: Open asks first and saves on Yes. After "~`"
// (a step whose rescale waits for the next key) Open still closes the run.
TEST_F(CommandTest, OpenDuringARunOffersToSaveTheEditsFirst) {
  std::string first = WriteText("one.dat", Points({100.1, 100.2, 100.3}));
  std::string second = WriteText("two.dat", Points({100.1, 100.2}));
  dialogs.fileAnswers.push_back(second);
  dialogs.yesNoAnswers = {true};
  host.Add({"5", "~`", ":Open", "5", ";"});  // the second "5" deletes in two.dat
  OpenDataFile(*engine, first, false);
  EXPECT_NE(std::find(dialogs.shown.begin(), dialogs.shown.end(),
                      "The data set has unsaved changes. Save them to one.da$ before another "
                      "file is opened?"),
            dialogs.shown.end());
  EXPECT_EQ(ReadLines("one.da$").size(), 2u);
  EXPECT_EQ(engine->run.inputFile, "two.dat");
  EXPECT_EQ(engine->data.n, 1);
}

TEST_F(CommandTest, ExitByNameEndsTheProgramWithStatusZero) {
  std::string path = WriteText("ex.dat", Points({100.1, 100.2}));
  host.Add({":ExitAct"});
  try {
    RunDataFile(*engine, path);
    FAIL() << "the run returned";
  } catch (const ProgramExit& e) {
    EXPECT_EQ(e.code, 0);
  }
}

TEST_F(CommandTest, SaveImageAppendsBmpAndReportsAFailure) {
  engine->console.waitingForInput = 1;
  engine->console.inputMode = kModeKey;
  engine->console.atCommandKey = true;
  dialogs.fileAnswers.push_back((dir / "pic").string());
  // No plot to copy: the failure is shown, nothing claims success.
  RunNamedCommand(*engine, "SaveVis");
  EXPECT_FALSE(host.LoggedPart("Image saved"));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("pic.bmp"), std::string::npos);
}

}  // namespace
}  // namespace teril

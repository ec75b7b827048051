// Undo and Redo (":Undo1", ":Redo1") of every command that edits the data
// set, driven through the key loop as a user drives it: after the command
// and Undo the data set is what it was before, bit for bit, and after Redo
// what the command made of it.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "console/commands.h"
#include "data/editing.h"
#include "data/history_command.h"
#include "support/file_run_fixture.h"

namespace teril {
namespace {

// Everything that Undo restores: the points and the settings that say what
// they hold.
struct DataState {
  int n = 0;
  std::vector<std::uint64_t> t, x, s, t0;  // bit patterns
  std::vector<std::string> observer;
  int tWidth = 0, tDecimals = 0, xWidth = 0, xDecimals = 0;
  bool phased = false, weightsLoaded = false, modified = false, lineApplied = false;
  bool timeConverted = false;
  std::vector<bool> flags, checks;

  bool operator==(const DataState&) const = default;
};

DataState Take(const Engine& e) {
  const DataSet& d = e.data;
  DataState st;
  st.n = d.n;
  for (int i = 1; i <= d.n; ++i) {
    st.t.push_back(std::bit_cast<std::uint64_t>(d.t[i]));
    st.x.push_back(std::bit_cast<std::uint64_t>(d.x[i]));
    st.s.push_back(std::bit_cast<std::uint64_t>(d.s[i]));
    st.t0.push_back(std::bit_cast<std::uint64_t>(d.t0[i]));
    st.observer.push_back(d.observer[i].str());
  }
  st.tWidth = d.tWidth, st.tDecimals = d.tDecimals;
  st.xWidth = d.xWidth, st.xDecimals = d.xDecimals;
  st.phased = d.phased, st.weightsLoaded = d.weightsLoaded;
  st.modified = e.run.modified, st.lineApplied = e.line.lineApplied;
  st.timeConverted = e.timeSystem.current.has_value();
  const TransformFlags& f = e.run.flags;
  st.flags = {f.lgT, f.powT, f.lgX, f.powX, f.intensityToMagnitude, f.magnitudeToIntensity};
  const MenuChecks& c = e.checks;
  st.checks = {c.swapTX, c.swapXS, c.sorted, c.phase,    c.inverseX, c.lgT,
               c.lgX,    c.pow10T, c.pow10X, c.magToInt, c.intToMag, c.reciprocalT};
  return st;
}

// Names the first difference, so that a failure says what was not restored.
std::string Difference(const DataState& a, const DataState& b) {
  if (a.n != b.n) return "n " + std::to_string(a.n) + " vs " + std::to_string(b.n);
  for (int i = 0; i < a.n; ++i) {
    if (a.t[i] != b.t[i]) return "t of point " + std::to_string(i + 1);
    if (a.x[i] != b.x[i]) return "x of point " + std::to_string(i + 1);
    if (a.s[i] != b.s[i]) return "s of point " + std::to_string(i + 1);
    if (a.t0[i] != b.t0[i]) return "t0 of point " + std::to_string(i + 1);
    if (a.observer[i] != b.observer[i]) return "observer of point " + std::to_string(i + 1);
  }
  if (a.tWidth != b.tWidth || a.tDecimals != b.tDecimals) return "t print format";
  if (a.xWidth != b.xWidth || a.xDecimals != b.xDecimals) return "x print format";
  if (a.flags != b.flags) return "transformation flags";
  if (a.checks != b.checks) return "check marks";
  if (a.phased != b.phased) return "phased";
  if (a.modified != b.modified) return "modified";
  if (a.lineApplied != b.lineApplied) return "lineApplied";
  if (a.timeConverted != b.timeConverted) return "time system";
  if (a.weightsLoaded != b.weightsLoaded) return "weightsLoaded";
  return "";
}

class UndoCommandTest : public testing::FileRunTest {
 protected:
  std::vector<DataState> snaps;
  std::vector<int> currents;  // j at each snapshot

  void SetUp() override {
    FileRunTest::SetUp();
    engine->console.writeLogFile = false;
    // ":snap" records the data set inside the key loop's wait.
    auto named = engine->console.runNamedCommand;
    engine->console.runNamedCommand = [this, named](const std::string& name) {
      if (name == "snap") {
        snaps.push_back(Take(*engine));
        currents.push_back(engine->view.j);
        return true;
      }
      return named(name);
    };
  }

  // 40 points: times in JD(UTC) with the star's place in the header, x on
  // seven levels (so that levels repeat), three observers.
  std::string StarFile() {
    std::string text = "# time = JD_UTC\n# RA = 83.63308 deg\n# Dec = 22.0145 deg\n";
    const char* codes[] = {"AB", "CD", "EFG"};
    for (int i = 0; i < 40; ++i)
      text += Str(2459000.0 + 0.37 * i + 0.0123 * i * i, 13, 5) + " " +
              Str(12.0 + 0.3 * (i % 7), 6, 3) + " " + codes[i % 3] + "\n";
    return WriteText("star.dat", text);
  }

  // Runs `before` (keys that set the scene), then the command, Undo and
  // Redo, recording the data set around each.
  void RunCommand(const std::vector<std::string>& before, const std::vector<std::string>& command) {
    for (const std::string& k : before) host.answers.push_back(k);
    host.answers.push_back(":snap");
    for (const std::string& k : command) host.answers.push_back(k);
    for (const char* k : {":snap", ":Undo1", ":snap", ":Redo1", ":snap", ";", ";"})
      host.answers.push_back(k);
    ResetEngine(*engine, true);
    AttachCanvas(*engine, &canvas);
    RunDataFile(*engine, StarFile());
  }
};

struct EditCase {
  const char* name;
  std::vector<std::string> before, command;
  std::vector<std::vector<std::string>> fields{};  // dialog answers
  friend void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }
};

class EveryEdit : public UndoCommandTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EveryEdit, UndoGivesBackTheDataSetAndRedoTheEdit) {
  const EditCase& c = GetParam();
  for (const auto& f : c.fields) dialogs.fieldAnswers.push_back(f);
  RunCommand(c.before, c.command);
  ASSERT_EQ(snaps.size(), 4u);
  ASSERT_NE(Difference(snaps[0], snaps[1]), "") << "the command changed nothing";
  EXPECT_EQ(Difference(snaps[2], snaps[0]), "") << "after Undo";
  EXPECT_EQ(Difference(snaps[3], snaps[1]), "") << "after Redo";
  EXPECT_TRUE(host.LoggedPart("Undo ")) << "Undo says what it did";
}

const std::vector<std::string> kFourth{"3", "3", "3"};  // j = 4
const std::vector<std::string> kObserver{"3", "^_"};    // the observer of point 2 selected

INSTANTIATE_TEST_SUITE_P(
    Edits, EveryEdit,
    ::testing::Values(
        // Deleting
        EditCase{"DeletePoint", kFourth, {"5"}}, EditCase{"DeleteMenu", kFourth, {":Delete"}},
        EditCase{"DeleteLevel", {"3"}, {")"}}, EditCase{"DeleteObserverKey", kObserver, {"~D"}},
        EditCase{"DeleteObserverMenu", kObserver, {":DeleteCurrentAuthor1"}},
        EditCase{"KeepObserver", kObserver, {"~i"}},
        // Single points and runs of points
        EditCase{"Interpolate", kFourth, {"V"}}, EditCase{"Halve", kFourth, {"^B"}},
        EditCase{"Third", kFourth, {"^C"}}, EditCase{"Quarter", kFourth, {"^D"}},
        EditCase{"PlusOneToTheEnd", kFourth, {"%"}}, EditCase{"MinusOneToTheEnd", kFourth, {"^"}},
        EditCase{"StepUp", kFourth, {"~`"}}, EditCase{"StepDown", kFourth, {"~="}},
        // Sorting
        EditCase{"SortKey", {"#131"}, {"~S"}}, EditCase{"SortMenu", {"#131"}, {":Sort1"}},
        // Transformations of t
        EditCase{"ReciprocalT", {}, {"\\"}}, EditCase{"LgT", {}, {"T"}},
        EditCase{"PowT", {"^N"}, {"G"}}, EditCase{"LgTMenu", {}, {":lgt1"}},
        EditCase{"PowTMenu", {"^N"}, {":N10t"}}, EditCase{"ReciprocalMenu", {}, {":ReciAxis1"}},
        EditCase{"TimeToIndex", {}, {"^N"}}, EditCase{"LoadedTime", {"^N"}, {"^R"}},
        EditCase{"Differences", {}, {"&"}}, EditCase{"Cycles", {}, {"Q1"}},
        EditCase{"HalfCycles", {}, {"Q2"}},
        EditCase{"ClockCorrection", {}, {"QT", "0", "120000", "30", "180000", "90"}},
        EditCase{"TimeSystem", {}, {":TimeSystem1"}, {{"", "", "", "BJD_TDB"}}},
        EditCase{"PhaseOn", {}, {"F"}}, EditCase{"PhaseOff", {"F"}, {"F"}},
        EditCase{"PhaseMenu", {}, {":Phase"}},
        // Transformations of x
        EditCase{"LgX", {}, {"Y"}}, EditCase{"PowX", {}, {"H"}}, EditCase{"LgXMenu", {}, {":lgx1"}},
        EditCase{"PowXMenu", {}, {":N10x"}}, EditCase{"ToMagnitude", {}, {"M"}},
        EditCase{"ToIntensity", {}, {"I"}}, EditCase{"ToMagnitudeMenu", {}, {":im1"}},
        EditCase{"ToIntensityMenu", {}, {":mi1"}}, EditCase{"MagnitudeBack", {"M"}, {"M"}},
        EditCase{"Fractional", {}, {"`"}}, EditCase{"Unwrap", {"`"}, {"$"}},
        EditCase{"XOverT", {}, {"~("}}, EditCase{"XToPhase", {}, {"#131"}},
        EditCase{"Square", {}, {"Q6"}}, EditCase{"SqrtDifference", {}, {"QS", "1"}},
        EditCase{"Ratio", {}, {"QE"}}, EditCase{"NegativePlusOne", {"QE"}, {"Q-"}},
        EditCase{"TimesPeriod", {":TPQ"}, {"QP"}, {{"", "0.5", ""}}},
        EditCase{"Derivative", {}, {"QD"}}, EditCase{"SquareDerivative", {}, {"^G"}},
        EditCase{"MinusS", {}, {"Q3"}}, EditCase{"PlusS", {}, {"Q4"}},
        EditCase{"LinearXS", {}, {"Q0", "2", "3"}},
        EditCase{"LinearApplied", {"QQ", "1", "2", "0.5"}, {"QR"}},
        EditCase{"LinearUndone", {"QQ", "1", "2", "0.5", "QR"}, {"QR"}},
        // Columns exchanged
        EditCase{"SwapTX", {}, {"^I"}}, EditCase{"SwapTXMenu", {}, {":Swaptx1"}},
        EditCase{"SwapXS", {}, {"~t"}}, EditCase{"SwapXSMenu", {}, {":Swapxs1"}},
        // The data set replaced or enlarged
        EditCase{"DoubleDensity", {}, {"Q*"}}, EditCase{"Autocorrelation", {}, {"A"}},
        EditCase{"VisibleAutocorrelation", {"+"}, {"^F"}},
        EditCase{"Periodogram", {}, {":Periodogram1"}, {{}}},
        EditCase{"PrewhiteningResiduals",
                 {":Prewhitening1"},
                 {":PrewhiteningResiduals1"},
                 {{"", "", "", "1", "0"}}},
        EditCase{"LagMap", {}, {"^X"}}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST_F(UndoCommandTest, EditsUndoneOneByOneAndRedoneAgain) {
  host.Add({":snap",  "3",      "5",      ":snap",  "Y",      ":snap",  "Q*",
            ":snap",  ")",      ":snap",  ":Undo1", ":snap",  ":Undo1", ":snap",
            ":Undo1", ":snap",  ":Undo1", ":snap",  ":Undo1", ":Redo1", ":Redo1",
            ":Redo1", ":Redo1", ":snap",  ":Redo1", ":snap",  ";",      ";"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  RunDataFile(*engine, StarFile());
  ASSERT_EQ(snaps.size(), 11u);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(Difference(snaps[5 + k], snaps[3 - k]), "") << k;
  EXPECT_TRUE(host.Logged("Nothing to undo"));
  EXPECT_EQ(Difference(snaps[9], snaps[4]), "");
  EXPECT_TRUE(host.Logged("Nothing to redo"));
  EXPECT_EQ(Difference(snaps[10], snaps[4]), "");
}

TEST_F(UndoCommandTest, TheCurrentPointStaysTheSamePoint) {
  // Delete point 4, move to point 10 (point 11 before), undo: the current
  // point is point 11 again.
  host.Add({"3", "3", "3", "5", "3", "3", "3", "3", "3", "3", ":Undo1", ":snap", ";", ";"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  RunDataFile(*engine, StarFile());
  ASSERT_EQ(snaps.size(), 1u);
  EXPECT_EQ(currents[0], 11);
  EXPECT_TRUE(host.Logged("Undo key 5: 1 point back, n=40"));
}

TEST_F(UndoCommandTest, ModifiedFollowsTheSavedState) {
  host.Add({"3", "5", ":snap", "~2", ":snap", "5", ":snap", ":Undo1", ":snap", ":Undo1", ":snap",
            ":Redo1", ":snap", ":Redo1", ":snap", "~2", ";"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  RunDataFile(*engine, StarFile());
  ASSERT_EQ(snaps.size(), 7u);
  const std::vector<bool> expected{true, false, true, false, true, false, true};
  for (std::size_t k = 0; k < expected.size(); ++k)
    EXPECT_EQ(snaps[k].modified, expected[k]) << "snapshot " << k;
  EXPECT_EQ(snaps[3].n, 39);  // the saved state: one point deleted
  EXPECT_EQ(snaps[4].n, 40);  // as loaded, which the saved file no longer is
}

TEST_F(UndoCommandTest, TheDiscardLogRecordsUndoAndRedo) {
  host.Add({"3", "3", "3", "5", ":Undo1", ":Redo1", "V", ":Undo1", ":Redo1", "~2", ";"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  RunDataFile(*engine, StarFile());
  const auto lines = ReadLines(kDiscardLogFile);
  ASSERT_EQ(lines.size(), 6u);
  // Point 4 (x = 12.900) deleted, back (code 0), deleted again.
  EXPECT_EQ(lines[0], "star.dat 2459001.22070 12.900 -1 AB");
  EXPECT_EQ(lines[1], "star.dat 2459001.22070 12.900  0 AB");
  EXPECT_EQ(lines[2], lines[0]);
  // Point 4 is now the old point 5 (x = 13.200); its neighbours are 12.3,
  // 12.6 | 13.5, 13.8: (4 (12.6 + 13.5) - 12.3 - 13.8) / 6 = 13.05. Then its
  // own value back, then 13.05 again.
  ASSERT_EQ(lines[3].substr(lines[3].size() - 6), "  1 CD");
  EXPECT_NE(lines[3].find(" 13.050  1 CD"), std::string::npos) << lines[3];
  EXPECT_NE(lines[4].find(" 13.200  0 CD"), std::string::npos) << lines[4];
  EXPECT_EQ(lines[5], lines[3]);
}

TEST_F(UndoCommandTest, AReloadClearsTheHistoryAndSaysSo) {
  host.Add({"5", "~2", "~3", ":Undo1", ";"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  RunDataFile(*engine, StarFile());
  EXPECT_TRUE(host.Logged("The reload clears the undo history"));
  EXPECT_TRUE(host.Logged("Nothing to undo"));
  EXPECT_FALSE(engine->history.active());  // the run is over
}

TEST_F(UndoCommandTest, OlderStepsAreDroppedWithALogLine) {
  engine->history.SetLimits({.maxSteps = 2, .maxBytes = 1u << 30});
  host.Add({"5", "5", "5", ":Undo1", ":Undo1", ":Undo1", ":snap", ";", ";"});
  ResetEngine(*engine, true);
  AttachCanvas(*engine, &canvas);
  RunDataFile(*engine, StarFile());
  EXPECT_TRUE(host.Logged("Undo history full: the step of key 5 is dropped"));
  ASSERT_EQ(snaps.size(), 1u);
  EXPECT_EQ(snaps[0].n, 39);  // two of the three deletions undone
  EXPECT_TRUE(host.Logged("Nothing to undo"));
}

TEST(KeyLabel, NamesKeysAsTheyAreTyped) {
  EXPECT_EQ(KeyLabel('5', 0), "key 5");
  EXPECT_EQ(KeyLabel('~', 'S'), "key ~S");
  EXPECT_EQ(KeyLabel('q', 'T'), "key QT");
  EXPECT_EQ(KeyLabel(26, 0), "key ^Z");
  EXPECT_EQ(KeyLabel(static_cast<char>(131), 0), "key #131");
}

TEST(UndoEntries, UndoAndRedoAreEditItemsWithTheirShortcuts) {
  const NamedCommand* undo = FindCommand("Undo1");
  const NamedCommand* redo = FindCommand("redo1");
  ASSERT_NE(undo, nullptr);
  ASSERT_NE(redo, nullptr);
  EXPECT_EQ(undo->menu + " " + undo->caption + " " + undo->shortcut, "Edit Undo Ctrl+Z");
  EXPECT_EQ(redo->menu + " " + redo->caption + " " + redo->shortcut, "Edit Redo Ctrl+Shift+Z");
  EXPECT_EQ(redo->alternateShortcut, "Ctrl+Y");
  EXPECT_EQ(ShortcutOwner("Ctrl+Z"), undo);
  EXPECT_EQ(ShortcutOwner("Ctrl+Y"), nullptr);  // free for Redo's second shortcut
}

}  // namespace
}  // namespace teril

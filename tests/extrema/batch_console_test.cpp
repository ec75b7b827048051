// The batch as a user runs it: through the file run in-process (a bootstrap
// file), from the console mode of the program, and the menu entries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "console/terminal_host.h"
#include "extrema/batch_fixture.h"
#include "periodicity/bootstrap.h"

namespace teril {
namespace {

std::vector<std::string> Names(const std::string& menu) {
  std::vector<std::string> names;
  for (const NamedCommand& c : Commands())
    if (c.menu == menu) names.push_back(c.name);
  return names;
}

std::vector<std::string> After(const std::vector<std::string>& names, const std::string& anchor,
                               std::size_t count) {
  auto it = std::find(names.begin(), names.end(), anchor);
  if (it == names.end()) return {};
  return std::vector<std::string>(it, std::min(names.end(), it + 1 + static_cast<long>(count)));
}

TEST(BatchMenus, PlacesShortcutsAndTheAbortThatRunsWhileBusy) {
  EXPECT_EQ(
      After(Names("File"), "Savevis1", 3),
      (std::vector<std::string>{"Savevis1", "GenerateBootstrap1", "Fileforintervals1", "ExitAct"}));
  EXPECT_EQ(After(Names("Navigate"), "MarkRight2", 3),
            (std::vector<std::string>{"MarkRight2", "PrevInterval1", "NextInterval1",
                                      "Gotointervalnumber1"}));
  EXPECT_EQ(After(Names("Approximation"), "chooseapproximation1", 3),
            (std::vector<std::string>{"chooseapproximation1", "runapproximation1",
                                      "doforallnextintervals1", "abortdoforall1"}));
  auto owner = [](const char* keys) {
    const NamedCommand* c = ShortcutOwner(keys);
    return c ? c->name : std::string("-");
  };
  EXPECT_EQ(owner("Ctrl+I"), "Fileforintervals1");  // before "m->i" of the Transform menu
  EXPECT_EQ(owner("Ctrl+B"), "PrevInterval1");
  EXPECT_EQ(owner("Ctrl+N"), "NextInterval1");
  EXPECT_EQ(owner("Ctrl+V"), "doforallnextintervals1");
  EXPECT_EQ(owner("Ctrl+Alt+C"), "chooseapproximation1");
  EXPECT_EQ(owner("Ctrl+Alt+Z"), "runapproximation1");
  EXPECT_EQ(owner("Ctrl+E"), "CenterDataPoint");
  EXPECT_TRUE(FindCommand("abortdoforall1")->whileBusy);
  EXPECT_FALSE(FindCommand("doforallnextintervals1")->whileBusy);
  EXPECT_FALSE(FindCommand("GenerateBootstrap1")->visible);
}

TEST(TerminalChooseMethods, NumbersOnTheFirstLineAndTheOptionOnTheSecond) {
  std::istringstream in("5 6\n1\n3 x 12 0\n\n");
  std::ostringstream out;
  TerminalHost host(in, out);
  MethodChoice c;
  c.items = std::vector<std::string>(9, "m");
  c.checked.assign(9, true);
  ASSERT_TRUE(host.ChooseMethods(c));
  EXPECT_EQ(c.checked,
            (std::vector<bool>{false, false, false, false, true, true, false, false, false}));
  EXPECT_TRUE(c.optionChecked);
  ASSERT_TRUE(host.ChooseMethods(c));
  EXPECT_EQ(c.checked,
            (std::vector<bool>{false, false, true, false, false, false, false, false, false}));
  EXPECT_FALSE(c.optionChecked);
  EXPECT_FALSE(host.ChooseMethods(c));  // the input has ended: closed, marks kept
  EXPECT_TRUE(c.checked[2]);
}

class BootstrapRunTest : public testing::BatchTest {};

TEST_F(BootstrapRunTest, TheLastIntervalsOfABootstrapFileAreFittedOnTheirOwnBlocks) {
  LoadCurve(5, [](double t) { return 10 + 0.1 * (t - 2.2) * (t - 2.2); });
  WriteBootstrap(*engine, kBootstrapFile);
  // Open it, go to interval 1998 and run the batch on 1998..2000 with the
  // polynomial; "n" answers the question about the unsorted file.
  host.Add({"n", ":Fileforintervals1", ":Gotointervalnumber1", ":doforallnextintervals1", ";"});
  dialogs.fileAnswers = {"BootStrap.dat!"};
  dialogs.fieldAnswers = {{"1998"}};
  dialogs.methodAnswers = {{{1}, true}};
  OpenDataFile(*engine, (dir / kBootstrapFile).string(), false);
  EXPECT_TRUE(host.Logged("interval=1998 from 2000"));
  auto lines = ReadLines("extr+coef.dat");
  ASSERT_EQ(lines.size(), 4u) << ReadText("ZR.log");
  auto extr = ReadLines("extr.dat");
  ASSERT_EQ(extr.size(), 4u);
  for (int r = 1998; r <= 2000; ++r) {
    const std::string first = std::to_string(5 * (r - 1) + 1), last = std::to_string(5 * r);
    EXPECT_EQ(lines[r - 1997].substr(0, first.size() + last.size() + 2), first + " " + last + " ");
    // The points the engine fitted (L and R of extr.dat).
    EXPECT_NE(extr[r - 1997].find(" BootStrap.dat " + first + " " + last + " "), std::string::npos)
        << extr[r - 1997];
  }
  EXPECT_EQ(ReadLines("BootStrap_result.dat").size(), 4u);
}

TEST(BatchConsole, ThreeMinimaThreeIntervalsThreeLinesAndThreePictures) {
  auto dir = std::filesystem::temp_directory_path() / ("teril-batch-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  // Three eclipses of 0.6 mag and half-width 0.03 d, sampled every 0.002 d.
  std::string text = "# t V\n";
  for (int k = 0; k < 900; ++k) {
    const double t = 100.0 + 0.002 * k;
    double x = 11.0;
    for (double c : {100.3, 100.9, 101.5}) x += 0.6 * std::exp(-0.5 * std::pow((t - c) / 0.03, 2));
    text += Str(t, 8, 3) + " " + Str(x, 7, 4) + " AB\n";
  }
  WriteFile((dir / "tri.dat").string(), text);
  // Point i lies at 100 + 0.002 (i - 1): each interval is a minimum +- 0.08 d.
  WriteFile((dir / "tri.int").string(),
            "111 100.220 191 100.380\n411 100.820 491 100.980\n711 101.420 791 101.580\n");
  std::string cmd =
      "cd '" + dir.string() +
      "' && printf ':Fileforintervals1\\ntri.int\\n:doforallnextintervals1\\n5 6\\n1\\n;\\n'"
      " | TERIL_HOME='" +
      (dir / "home").string() +
      "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY " --console tri.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  auto lines = [&dir](const char* name) {
    auto content = ReadFileIfExists((dir / name).string());
    std::size_t n = 0;
    if (content)
      for (char c : *content) n += c == '\n';
    return n;
  };
  EXPECT_EQ(lines("tri_result.dat"), 4u) << *ReadFileIfExists((dir / "out.txt").string());
  EXPECT_EQ(lines("extr+coef.dat"), 4u);
  EXPECT_EQ(lines("extr.dat"), 4u);
  EXPECT_EQ(lines("allmethod_extr.dat"), 7u);  // WSP and WSL for each interval
  int pictures = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().filename().string().rfind("tri_int_00000", 0) == 0) ++pictures;
  EXPECT_EQ(pictures, 3);
  // The moments lie at the three minima.
  auto result = ReadFileIfExists((dir / "tri_result.dat").string());
  ASSERT_TRUE(result);
  std::istringstream rows(*result);
  std::string row;
  std::getline(rows, row);
  for (double c : {100.3, 100.9, 101.5}) {
    std::getline(rows, row);
    std::istringstream f(row);
    std::string a, b, tMin, tMax, s0, T;
    f >> a >> b >> tMin >> tMax >> s0 >> T;
    EXPECT_NEAR(*ParseNumber(T), c, 1e-3) << row;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace teril

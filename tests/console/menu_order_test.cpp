// The order of the registry: every entry with its menu, caption, shortcut
// and flags, as recorded in tests/data/registry_order.txt. The window's
// menus, its shortcuts (the first entry met keeps a shared one) and the
// names reachable from the command field all follow from this list, so any
// change to it shows here line by line.
#include "console/menu_order.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/io.h"
#include "console/commands.h"

namespace teril {
namespace {

// One line per entry, tab-separated: name, menu, caption, shortcut,
// visible/hidden, action, item name, whileBusy, checkable, tool tip.
std::string EntryLine(const NamedCommand& c) {
  std::string line = c.name + '\t' + c.menu + '\t' + c.caption + '\t' + c.shortcut + '\t' +
                     (c.visible ? "visible" : "hidden") + '\t' + (c.action ? "action" : "-") +
                     '\t' + c.itemName + '\t' + (c.whileBusy ? "whileBusy" : "-") + '\t' +
                     (c.checkable() ? "checkable" : "-") + '\t' + c.toolTip;
  return line;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(RegistryOrder, EveryEntryAndItsPlaceMatchTheRecordedList) {
  const std::string path = std::string(TEST_DATA_DIR) + "/registry_order.txt";
  const auto text = ReadFileIfExists(path);
  ASSERT_TRUE(text.has_value()) << path;
  const std::vector<std::string> expected = Lines(*text);
  std::vector<std::string> actual;
  for (const NamedCommand& c : Commands()) actual.push_back(EntryLine(c));
  // Line by line first, so that a difference names its entry.
  for (std::size_t i = 0; i < std::min(expected.size(), actual.size()); ++i)
    EXPECT_EQ(actual[i], expected[i]) << "entry " << i + 1;
  EXPECT_EQ(actual.size(), expected.size());
}

TEST(RegistryOrder, TheMenuTablePlacesEveryEntryOfEveryListOnce) {
  for (const std::string& problem : MenuOrderProblems()) ADD_FAILURE() << problem;
}

NamedCommand Entry(const char* name, const char* menu) {
  return NamedCommand{.name = name, .menu = menu, .caption = name};
}

std::vector<std::string> Names(const std::vector<NamedCommand>& list) {
  std::vector<std::string> names;
  for (const NamedCommand& c : list) names.push_back(c.name);
  return names;
}

TEST(OrderedByTable, FollowsTheTableWhateverTheOrderOfTheLists) {
  const std::vector<MenuSection> table{{"File", {"Open", "Save", "Exit"}},
                                       {"View", {"Zoom", "Hint"}}};
  std::vector<NamedCommand> lists{Entry("Hint", "View"), Entry("Exit", "File"),
                                  Entry("Open", "File"), Entry("Zoom", "View"),
                                  Entry("Save", "File")};
  EXPECT_EQ(Names(OrderedByTable(table, lists)),
            (std::vector<std::string>{"Open", "Save", "Exit", "Zoom", "Hint"}));
}

TEST(OrderedByTable, KeepsWhatTheTableDoesNotNameAtTheEndAndLosesNoDuplicate) {
  const std::vector<MenuSection> table{{"File", {"Open", "Save"}}};
  std::vector<NamedCommand> lists{Entry("Late", "View"), Entry("Save", "File"),
                                  Entry("Open", "File"), Entry("Save", "File"),
                                  Entry("Later", "File")};
  EXPECT_EQ(Names(OrderedByTable(table, lists)),
            (std::vector<std::string>{"Open", "Save", "Late", "Save", "Later"}));
}

struct ProblemCase {
  const char* what;
  std::vector<MenuSection> table;
  std::vector<NamedCommand> entries;
  std::vector<std::string> problems;
};

void PrintTo(const ProblemCase& c, std::ostream* os) { *os << c.what; }

class TableProblemsCase : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(TableProblemsCase, ReportsEachDisagreementOnce) {
  const ProblemCase& c = GetParam();
  const std::vector<std::string> menuBar{"File", "View"};
  EXPECT_EQ(TableProblems(c.table, menuBar, c.entries), c.problems);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableProblemsCase,
    ::testing::Values(
        ProblemCase{"agreement",
                    {{"File", {"Open", "Save"}}, {"View", {"Zoom"}}},
                    {Entry("Save", "File"), Entry("Zoom", "View"), Entry("Open", "File")},
                    {}},
        ProblemCase{"an action without a menu has a section of its own",
                    {{"File", {"Open"}}, {"", {"Abort"}}},
                    {Entry("Open", "File"), Entry("Abort", "")},
                    {}},
        ProblemCase{"an entry the table does not name",
                    {{"File", {"Open"}}},
                    {Entry("Open", "File"), Entry("Zoom", "View")},
                    {"Zoom (menu View) is not in the menu table"}},
        ProblemCase{"a name without an entry",
                    {{"File", {"Open", "Reopen"}}},
                    {Entry("Open", "File")},
                    {"no entry named Reopen"}},
        ProblemCase{"an entry listed under another menu",
                    {{"File", {"Open", "Zoom"}}, {"View", {}}},
                    {Entry("Open", "File"), Entry("Zoom", "View")},
                    {"Zoom is listed under File but its menu is View"}},
        ProblemCase{"a name listed twice",
                    {{"File", {"Open", "Save", "Open"}}},
                    {Entry("Open", "File"), Entry("Save", "File")},
                    {"Open is listed twice"}},
        ProblemCase{"a menu with two sections",
                    {{"File", {"Open"}}, {"View", {"Zoom"}}, {"File", {"Save"}}},
                    {Entry("Open", "File"), Entry("Zoom", "View"), Entry("Save", "File")},
                    {"menu File has two sections"}},
        ProblemCase{"a menu the menu bar does not have",
                    {{"File", {"Open"}}, {"Tools", {"Grid"}}},
                    {Entry("Open", "File"), Entry("Grid", "Tools")},
                    {"menu Tools is not on the menu bar"}},
        ProblemCase{"two entries of one name",
                    {{"File", {"Open"}}},
                    {Entry("Open", "File"), Entry("Open", "File")},
                    {"two entries named Open"}}));

}  // namespace
}  // namespace teril

// The order of the registry: every entry with its menu, caption, shortcut
// and flags, as recorded in tests/data/registry_order.txt. The window's
// menus, its shortcuts (the first entry met keeps a shared one) and the
// names reachable from the command field all follow from this list, so any
// change to it shows here line by line.
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

}  // namespace
}  // namespace teril

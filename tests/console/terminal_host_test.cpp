#include "console/terminal_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "console/console.h"
#include "base/io.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class TerminalHostTest : public testing::TempFolderTest {};

TEST_F(TerminalHostTest, AnswersAreLinesAndTheEndGivesEscThenEmptyText) {
  std::istringstream in("3\nhello\n");
  std::ostringstream out;
  TerminalHost host(in, out);
  Console console(host);
  char key = 0;
  console.ReadKey(key);
  EXPECT_EQ(key, '3');
  EXPECT_EQ(console.ReadText(), "hello");
  console.ReadKey(key);
  EXPECT_EQ(key, '\x1b');
  EXPECT_EQ(console.ReadText(), "");
  EXPECT_NE(out.str().find("OUT<<hello\n"), std::string::npos);
}

TEST_F(TerminalHostTest, TooManyAnswersAfterTheEndStopWithStatusTwo) {
  std::istringstream in("");
  std::ostringstream out;
  TerminalHost host(in, out);
  Console console(host);
  try {
    for (int i = 0; i < 1000; ++i) console.ReadText();
    FAIL() << "did not stop";
  } catch (const ProgramExit& e) {
    EXPECT_EQ(e.code, 2);
  }
  EXPECT_NE(out.str().find("the input has ended"), std::string::npos);
}

TEST_F(TerminalHostTest, DialogsReadTheirLines) {
  std::istringstream in("14\n\nfile.dat\n\ny\nn\n2 3 9\n");
  std::ostringstream out;
  TerminalHost host(in, out);
  std::vector<DialogField> fields{{"width", "11"}, {"decimals", "5"}};
  EXPECT_TRUE(host.EditFields("Form2", "Print Precision", fields));
  EXPECT_EQ(fields[0].value, "14");
  EXPECT_EQ(fields[1].value, "5");  // an empty line keeps the field
  EXPECT_EQ(host.OpenFile("Select file", "*.dat|*.dat"), "file.dat");
  EXPECT_FALSE(host.OpenFile("Select file", "*.dat|*.dat"));  // empty: cancelled
  EXPECT_TRUE(host.YesNo("Save  parameters?"));
  EXPECT_FALSE(host.YesNo("Save  parameters?"));
  std::vector<bool> checked;
  EXPECT_TRUE(host.CheckList("Choose method", {"a", "b", "c"}, checked));
  EXPECT_EQ(checked, (std::vector<bool>{false, true, true}));
}

// A field that does not apply, given the answers before it, takes no line
// and keeps its value; "used" concerns the window only.
TEST_F(TerminalHostTest, OnlyFieldsThatApplyTakeALine) {
  auto modeIs = [](const char* mode) {
    return [mode](const std::vector<DialogField>& f) { return f[0].value == mode; };
  };
  struct Case {
    std::string input;
    std::vector<std::string> values;
    std::string rest;  // the first line left unread
  };
  const Case cases[] = {{"a\n1\n2\nrest\n", {"a", "1", "y0", "2"}, "rest"},
                        {"b\n5\n6\nrest\n", {"b", "x0", "5", "6"}, "rest"},
                        {"\n\nrest\n", {"a", "x0", "y0", "rest"}, ""}};
  for (const Case& c : cases) {
    std::istringstream in(c.input);
    std::ostringstream out;
    TerminalHost host(in, out);
    std::vector<DialogField> fields{{"mode", "a"}, {"x", "x0"}, {"y", "y0"}, {"z", "z0"}};
    fields[1].applies = modeIs("a");
    fields[2].applies = modeIs("b");
    fields[3].used = modeIs("never");  // still read
    EXPECT_TRUE(host.EditFields("F", "F", fields));
    std::vector<std::string> values;
    for (auto& f : fields) values.push_back(f.value);
    EXPECT_EQ(values, c.values) << c.input;
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, c.rest) << c.input;
  }
}

TEST_F(TerminalHostTest, MessageBoxesAreMarkedLines) {
  std::istringstream in("");
  std::ostringstream out;
  TerminalHost host(in, out);
  host.MessageBox("first\nsecond");
  EXPECT_EQ(out.str(), "MSG: first second\n");
}

}  // namespace
}  // namespace teril

namespace teril {
namespace {

TEST(TerminalHostProgress, ShortWorkPrintsNothingAndNeverStops) {
  std::istringstream in;
  std::ostringstream out, err;
  TerminalHost host(in, out, err);
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(host.Progress(i, 1000, "Batch"));
  host.EndProgress();
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace teril

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

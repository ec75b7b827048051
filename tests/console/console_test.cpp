#include "console/console.h"

#include <gtest/gtest.h>

#include "support/scripted_host.h"

namespace teril {
namespace {

using testing::ScriptedHost;
using testing::TempFolderTest;

class ConsoleTest : public TempFolderTest {
 protected:
  ScriptedHost host;
  Console console{host};
};

TEST_F(ConsoleTest, EveryLogLineGoesToThePaneAndToZrLogInOrder) {
  console.LogLine("first");
  console.LogLine(2.5);
  console.LogLine(7);
  EXPECT_EQ(host.log, (std::vector<std::string>{"first", "2.5", "7"}));
  EXPECT_EQ(ReadLines("ZR.log"), (std::vector<std::string>{"first", "2.5", "7"}));
}

TEST_F(ConsoleTest, ReadTextLogsTheAnswerAndClearsThePrompt) {
  host.Add({"hello"});
  console.SetPrompt("name?");
  EXPECT_EQ(console.ReadText(), "hello");
  EXPECT_TRUE(host.Logged("OUT<<hello"));
  EXPECT_EQ(console.pendingPrompt, "");
  EXPECT_EQ(console.inputMode, kModeNone);
}

TEST_F(ConsoleTest, ReadNumberAsksAgainUntilANumberArrives) {
  host.Add({"twelve", "1,5", "12.25"});
  EXPECT_DOUBLE_EQ(console.ReadNumber(), 12.25);
  EXPECT_TRUE(host.Logged("OUT<<12.25"));
  EXPECT_EQ(host.waits, 3);
}

TEST_F(ConsoleTest, ReadKeyTakesTwoCharactersAndRepeatsOnEmpty) {
  char key = 0;
  host.Add({"Q8x", "", "~6", ""});
  console.ReadKey(key);
  EXPECT_EQ(key, 'Q');
  EXPECT_EQ(console.extChar, '8');
  console.ReadKey(key);  // empty line: the previous key repeats, extChar does not
  EXPECT_EQ(key, 'Q');
  EXPECT_EQ(console.extChar, 0);
  console.ReadKey(key);
  EXPECT_EQ(key, '~');
  EXPECT_EQ(console.extChar, '6');
  console.ReadKey(key);
  EXPECT_EQ(key, '~');
  EXPECT_EQ(console.extChar, 0);
}

TEST_F(ConsoleTest, KeyNotationsGiveControlAndCodedCharacters) {
  EXPECT_EQ(DecodeKeyNotation("^E"), "\x05");
  EXPECT_EQ(DecodeKeyNotation("^W"), "\x17");
  EXPECT_EQ(DecodeKeyNotation("^@"), std::string(1, '\0'));
  EXPECT_EQ(DecodeKeyNotation("^_"), "\x1f");
  EXPECT_EQ(DecodeKeyNotation("#131"), "\x83");
  EXPECT_EQ(DecodeKeyNotation("#"), "#");       // the refresh key stays
  EXPECT_EQ(DecodeKeyNotation("#999"), "#999");  // no such character
  EXPECT_EQ(DecodeKeyNotation("^e"), "^e");     // lower case is not a control notation
  char key = 0;
  host.Add({"^W"});
  console.ReadKey(key);
  EXPECT_EQ(key, '\x17');
}

TEST_F(ConsoleTest, NamedCommandRunsInsideTheWaitAndItsKeyEndsIt) {
  std::vector<std::string> ran;
  console.runNamedCommand = [&](const std::string& name) {
    ran.push_back(name);
    if (name == "Save") {
      console.InjectKey("~2");
      return true;
    }
    return name == "Quiet";
  };
  host.Add({":Quiet", ":nosuch", ":Save"});
  char key = 0;
  console.ReadKey(key);
  EXPECT_EQ(ran, (std::vector<std::string>{"Quiet", "nosuch", "Save"}));
  EXPECT_EQ(key, '~');
  EXPECT_EQ(console.extChar, '2');
  EXPECT_TRUE(host.Logged("Unknown command \"nosuch\""));
  EXPECT_FALSE(host.Logged("!!! IO is not waiting for input"));
}

TEST_F(ConsoleTest, InjectWithoutAWaitIsRefusedAndLogged) {
  console.InjectKey("+");
  EXPECT_TRUE(host.Logged("!!! IO is not waiting for input"));
  EXPECT_EQ(console.waitingForInput, 0);
  EXPECT_EQ(console.answer, "");
}

TEST_F(ConsoleTest, CharacterMessagesFollowTheWaitMode) {
  // Nobody waits: swallowed.
  EXPECT_TRUE(console.CharacterMessage('a'));
  // WaitAnyKey: any character ends it and reaches the control.
  console.inputMode = kModeNone;
  console.waitingForInput = 1;
  EXPECT_FALSE(console.CharacterMessage('a'));
  EXPECT_EQ(console.waitingForInput, 0);
  // A key wait in the command field: "+" zooms at once and is not swallowed.
  console.inputMode = kModeKey;
  console.waitingForInput = 1;
  EXPECT_FALSE(console.CharacterMessage('+'));
  EXPECT_EQ(console.waitingForInput, 0);
  EXPECT_EQ(console.answer, "+");
  // Typing text in a key wait does not end it.
  console.waitingForInput = 1;
  EXPECT_FALSE(console.CharacterMessage('x'));
  EXPECT_EQ(console.waitingForInput, 1);
}

TEST_F(ConsoleTest, AskNumberKeepsTheValueOnANonNumber) {
  double v = 50;
  host.inputBoxAnswers = {"abc", "12.5"};
  console.AskNumber("Delta_t", "Dt=", v);
  EXPECT_EQ(v, 50);
  console.AskNumber("Delta_t", "Dt=", v);
  EXPECT_EQ(v, 12.5);
}

TEST_F(ConsoleTest, RunTitle) {
  console.SetRunTitle("star.dat");
  ASSERT_FALSE(host.captions.empty());
  EXPECT_EQ(host.captions.back(), "ZR : star.dat");
}

}  // namespace
}  // namespace teril

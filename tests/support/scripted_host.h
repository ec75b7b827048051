// Test adapters: a console host that answers every wait from a list of
// lines, dialogs that answer from lists, and a temporary-folder fixture.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console/console.h"
#include "console/console_host.h"
#include "console/dialogs.h"
#include "engine/engine.h"

namespace teril::testing {

class ScriptedHost : public ConsoleHost {
 public:
  // Lines handed to the waits, in order. When they run out, a key wait gets
  // Esc and a text wait an empty line; after `maxExtraAnswers` such answers
  // the host throws ProgramExit{2} so that a test can never hang.
  std::deque<std::string> answers;
  int maxExtraAnswers = 50;

  std::vector<std::string> log;        // every log line
  std::vector<std::string> stdoutLines;
  std::vector<std::string> messages;   // message boxes
  std::vector<std::string> inputBoxAnswers;  // answers of input boxes, in order
  std::vector<std::string> captions;
  int beeps = 0;
  int waits = 0;

  void Add(std::initializer_list<std::string> lines) {
    for (auto& l : lines) answers.push_back(l);
  }

  void AppendLog(const std::string& line) override { log.push_back(line); }
  void Wait(Console& console) override;
  void SetCaption(const std::string& c) override { captions.push_back(c); }
  void Beep() override { ++beeps; }
  void MessageBox(const std::string& text) override { messages.push_back(text); }
  std::string InputBox(const std::string&, const std::string&,
                       const std::string& defaultText) override;
  void StdOut(const std::string& line) override { stdoutLines.push_back(line); }

  // Result files reported written: path and the command that wrote it.
  std::vector<std::pair<std::string, std::string>> filesWritten;
  std::vector<std::string> statusTexts;
  void FileWritten(const std::string& path, const std::string& command) override {
    filesWritten.emplace_back(path, command);
  }
  void ShowStatus(const std::string& text) override { statusTexts.push_back(text); }

  // Long work: every Progress call is recorded; the call with index
  // `stopAtProgress` (0 = the first) and every later one answer "stop".
  struct ProgressCall {
    long long done, total;
    std::string what;
  };
  std::vector<ProgressCall> progress;
  long long stopAtProgress = -1;
  int progressEnds = 0;
  bool Progress(long long done, long long total, const std::string& what) override {
    progress.push_back({done, total, what});
    return stopAtProgress < 0 || static_cast<long long>(progress.size()) <= stopAtProgress;
  }
  void EndProgress() override { ++progressEnds; }

  // True when some log line equals `line`.
  bool Logged(const std::string& line) const;
  // True when some log line contains `part`.
  bool LoggedPart(const std::string& part) const;

 private:
  int extra_ = 0;
};

class ScriptedDialogs : public Dialogs {
 public:
  // Each EditFields call takes the next entry: one string per field that
  // applies (as the console mode reads them), an empty string keeping the
  // field. An entry {"<cancel>"} cancels.
  std::deque<std::vector<std::string>> fieldAnswers;
  std::deque<std::string> fileAnswers;   // "" = cancelled
  std::deque<bool> yesNoAnswers;         // default No when empty
  std::deque<std::vector<bool>> checkListAnswers;
  std::vector<std::string> shown;        // captions of the dialogs shown

  using Dialogs::EditFields;
  bool EditFields(const std::string& name, const std::string& caption,
                  std::vector<DialogField>& fields, const std::string& note) override;
  std::vector<std::string> names;  // dialog names of EditFields, in order
  std::vector<std::vector<DialogField>> shownFields;  // the fields as they were offered
  std::optional<std::string> OpenFile(const std::string& title, const std::string&) override;
  std::optional<std::string> SaveFile(const std::string& title, const std::string&,
                                      const std::string&) override;
  bool YesNo(const std::string& caption) override;
  bool CheckList(const std::string& caption, const std::vector<std::string>& items,
                 std::vector<bool>& checked) override;

  // "Choose method": each call takes the next answer, the numbers (from 1)
  // of the checked items and the option's mark, and presses the button.
  // With no answer left the form is closed (false, marks unchanged).
  struct MethodAnswer {
    std::vector<int> checked;
    bool option = false;
  };
  std::deque<MethodAnswer> methodAnswers;
  std::vector<MethodChoice> methodChoices;  // the forms as they were offered
  bool ChooseMethods(MethodChoice& choice) override;
};

// Makes a fresh temporary folder, makes it current for the test and
// restores the previous current folder afterwards.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::filesystem::path dir;
  // Writes a file in the temporary folder and returns its full path.
  std::string WriteText(const std::string& name, const std::string& content);
  std::string ReadText(const std::string& name) const;
  std::vector<std::string> ReadLines(const std::string& name) const;
  // Permission bits do not stop root. Run as root, this hands the folder to
  // the user "nobody" and takes that user's identity until the test ends, so
  // that checks of unreadable and read-only files mean the same for every
  // user; false when that identity cannot be taken.
  bool ActAsAnotherUser();

 private:
  std::filesystem::path previous_;
  bool actingAsAnother_ = false;
};

// A temporary folder with an engine whose work folder lies inside it.
class EngineTest : public TempFolderTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  ScriptedHost host;
  ScriptedDialogs dialogs;
  std::unique_ptr<Engine> engine;
};

}  // namespace teril::testing

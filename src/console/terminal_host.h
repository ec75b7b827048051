// The console mode: every answer is one line of standard input, every log
// line goes to standard output (the same text as in ZR.log) and a message
// box is a line beginning "MSG: ".
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "console/console_host.h"
#include "console/dialogs.h"

namespace teril {

class TerminalHost : public ConsoleHost, public Dialogs {
 public:
  TerminalHost(std::istream& in, std::ostream& out, std::ostream& err)
      : in_(in), out_(out), err_(err) {}
  TerminalHost(std::istream& in, std::ostream& out) : TerminalHost(in, out, out) {}

  // After this many answers made up at the end of the input the program
  // stops with exit status 2.
  static constexpr int kMaxAnswersAfterEnd = 100;
  // Asked whenever an answer is made up at the end of the input: whether
  // the data in memory has changes not saved (set by the program).
  std::function<bool()> hasUnsavedChanges;
  // True when the input ended while the data had changes not saved.
  bool EndedWithUnsavedChanges() const { return endedUnsaved_; }

  void AppendLog(const std::string& line) override;
  void Wait(Console& console) override;
  void MessageBox(const std::string& text) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultText) override;
  void StdOut(const std::string& line) override;
  void Beep() override {}
  // Prints "<what>: <done> of <total>" to the error stream, at most every
  // few seconds, so that a scripted run shows that long work goes on
  // without filling its output.
  bool Progress(long long done, long long total, const std::string& what) override;
  void EndProgress() override;
  static constexpr double kProgressSeconds = 5.0;

  using Dialogs::EditFields;
  bool EditFields(const std::string& name, const std::string& caption,
                  std::vector<DialogField>& fields, const std::string& note) override;
  std::optional<std::string> OpenFile(const std::string& title,
                                      const std::string& filter) override;
  std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                      const std::string& defaultExt) override;
  bool YesNo(const std::string& caption) override;
  bool CheckList(const std::string& caption, const std::vector<std::string>& items,
                 std::vector<bool>& checked) override;
  // Two lines: the numbers of the checked items, then "1" or an empty line
  // for the option.
  bool ChooseMethods(MethodChoice& choice) override;

 private:
  // The next input line; nothing at the end of the input.
  std::optional<std::string> NextLine();
  // Counts an answer made up at the end of the input; stops the program
  // when there have been too many.
  void AnswerAfterEnd();

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  int afterEnd_ = 0;
  bool endedUnsaved_ = false;
  double progressStart_ = -1, progressLast_ = 0;
};

}  // namespace teril

#include "console/terminal_host.h"

#include <chrono>
#include <iostream>
#include <sstream>

#include "console/console.h"
#include "base/io.h"
#include "base/numfmt.h"

namespace teril {

std::optional<std::string> TerminalHost::NextLine() {
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void TerminalHost::AnswerAfterEnd() {
  if (++afterEnd_ > kMaxAnswersAfterEnd) {
    out_ << "teril: the input has ended, but the program still asks for answers; stopping."
         << std::endl;
    throw ProgramExit{2};
  }
}

void TerminalHost::AppendLog(const std::string& line) { out_ << line << '\n' << std::flush; }

void TerminalHost::Wait(Console& console) {
  if (auto line = NextLine()) {
    console.CommandFieldEnter(*line);
    return;
  }
  AnswerAfterEnd();
  if (hasUnsavedChanges && hasUnsavedChanges()) endedUnsaved_ = true;
  bool keyWait = console.inputMode == kModeKey || console.inputMode == kModeNone;
  console.CommandFieldEnter(keyWait ? std::string(1, '\x1b') : std::string());
}

void TerminalHost::MessageBox(const std::string& text) {
  std::string flat = text;
  for (char& c : flat)
    if (c == '\n' || c == '\r') c = ' ';
  out_ << "MSG: " << flat << '\n' << std::flush;
}

std::string TerminalHost::InputBox(const std::string&, const std::string&,
                                   const std::string& defaultText) {
  auto line = NextLine();
  if (!line) {
    AnswerAfterEnd();
    return defaultText;
  }
  return line->empty() ? defaultText : *line;
}

void TerminalHost::StdOut(const std::string& line) { out_ << line << '\n' << std::flush; }

bool TerminalHost::EditFields(const std::string&, const std::string&,
                              std::vector<DialogField>& fields, const std::string&) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!FieldApplies(fields, i)) continue;
    auto line = NextLine();
    if (!line) {
      AnswerAfterEnd();
      continue;
    }
    if (!line->empty()) fields[i].value = *line;
  }
  return true;
}

std::optional<std::string> TerminalHost::OpenFile(const std::string&, const std::string&) {
  auto line = NextLine();
  if (!line) AnswerAfterEnd();
  if (!line || line->empty()) return std::nullopt;
  return line;
}

std::optional<std::string> TerminalHost::SaveFile(const std::string& title,
                                                  const std::string& filter,
                                                  const std::string&) {
  return OpenFile(title, filter);
}

bool TerminalHost::YesNo(const std::string&) {
  auto line = NextLine();
  if (!line) {
    AnswerAfterEnd();
    return false;
  }
  return !line->empty() && (line->front() == 'y' || line->front() == 'Y');
}

bool TerminalHost::CheckList(const std::string&, const std::vector<std::string>& items,
                             std::vector<bool>& checked) {
  auto line = NextLine();
  if (!line) {
    AnswerAfterEnd();
    return false;
  }
  checked.assign(items.size(), false);
  std::istringstream words(*line);
  std::string w;
  while (words >> w) {
    if (auto k = ParseInteger(w); k && *k >= 1 && *k <= static_cast<long long>(items.size()))
      checked[static_cast<std::size_t>(*k - 1)] = true;
  }
  return true;
}

bool TerminalHost::ChooseMethods(MethodChoice& choice) {
  auto line = NextLine();
  if (!line) {
    AnswerAfterEnd();
    return false;
  }
  choice.checked.assign(choice.items.size(), false);
  std::istringstream words(*line);
  std::string w;
  while (words >> w) {
    if (auto k = ParseInteger(w); k && *k >= 1 && *k <= static_cast<long long>(choice.items.size()))
      choice.checked[static_cast<std::size_t>(*k - 1)] = true;
  }
  auto option = NextLine();
  if (!option) AnswerAfterEnd();
  choice.optionChecked = option && ParseInteger(*option) == 1;
  return true;
}

namespace {
double SecondsNow() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

bool TerminalHost::Progress(long long done, long long total, const std::string& what) {
  const double now = SecondsNow();
  if (progressStart_ < 0) {
    progressStart_ = progressLast_ = now;
    return true;
  }
  if (now - progressLast_ >= kProgressSeconds) {
    progressLast_ = now;
    err_ << what << ": " << done << " of " << total << std::endl;
  }
  return true;
}

void TerminalHost::EndProgress() { progressStart_ = -1; }

}  // namespace teril

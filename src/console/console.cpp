#include "console/console.h"

#include "base/io.h"
#include "base/numfmt.h"

namespace teril {

void Console::LogLine(const std::string& text) {
  host_.AppendLog(text);
  if (writeLogFile) {
    try {
      AppendToFile("ZR.log", text + "\n");
    } catch (const IoError&) {
      // The line is in the log pane already; a log file that cannot be
      // written (read-only folder) must not stop the analysis.
    }
  }
}

void Console::LogLine(double value) { LogLine(General(value)); }
void Console::LogLine(int value) { LogLine(Str(static_cast<long long>(value))); }
void Console::LogLine(long long value) { LogLine(Str(value)); }

std::string Console::CommonWait() {
  host_.FocusCommandField();
  answer.clear();
  waitingForInput = 1;
  while (waitingForInput == 1) host_.Wait(*this);
  return answer;
}

std::string Console::ReadText() {
  inputMode = kModeText;
  std::string result = CommonWait();
  LogLine("OUT<<" + result);
  pendingPrompt.clear();
  inputMode = kModeNone;
  return result;
}

double Console::ReadNumber() {
  inputMode = kModeNumber;
  double value = 0;
  for (;;) {
    std::string line = CommonWait();
    if (auto v = ParseNumber(line)) {
      value = *v;
      break;
    }
    LogLine("\"" + line + "\" is not a number (use a decimal point); please enter a number");
  }
  LogLine("OUT<<" + General(value));
  pendingPrompt.clear();
  inputMode = kModeNone;
  return value;
}

std::string DecodeKeyNotation(const std::string& line) {
  if (line.size() == 2 && line[0] == '^' && line[1] >= '@' && line[1] <= '_')
    return std::string(1, static_cast<char>(line[1] - '@'));
  if (line.size() >= 2 && line.size() <= 4 && line[0] == '#') {
    int code = 0;
    for (std::size_t i = 1; i < line.size(); ++i) {
      if (line[i] < '0' || line[i] > '9') return line;
      code = code * 10 + (line[i] - '0');
    }
    if (code <= 255) return std::string(1, static_cast<char>(static_cast<unsigned char>(code)));
  }
  return line;
}

KeyLine ParseKeyLine(const std::string& line) {
  KeyLine result;
  if (line.size() > 1 && line[0] == ':') {
    result.named = true;
    result.name = line.substr(1);
    while (!result.name.empty() && result.name.back() == ' ') result.name.pop_back();
  } else {
    result.key = DecodeKeyNotation(line);
  }
  return result;
}

std::string KeyLabel(const std::string& keyString) {
  std::string label = "key ";
  for (char ch : keyString) {
    const auto u = static_cast<unsigned char>(ch);
    if (u < 32)
      label += std::string("^") + static_cast<char>(u + '@');
    else if (u >= 127)
      label += "#" + Str(static_cast<long long>(u));
    else
      label += ch;
  }
  return label;
}

void Console::ValueSet(const std::string& text) {
  LogLine(text);
  host_.ShowStatus(text);
}

void Console::ReadKey(char& key, bool commandKey) {
  // A command run by name inside this wait may ask a key of its own; when
  // it is done, this wait is again what it was.
  struct RestoreFlag {
    bool& flag;
    bool saved;
    ~RestoreFlag() { flag = saved; }
  } restore{atCommandKey, atCommandKey};
  atCommandKey = commandKey;
  extChar = 0;
  inputMode = kModeKey;
  std::string got;
  for (;;) {
    KeyLine typed = ParseKeyLine(CommonWait());
    if (typed.named) {
      // A named menu command runs inside the wait, as the menu would run it;
      // when it hands over a key, that key ends the wait.
      const std::string& name = typed.name;
      waitingForInput = 1;
      answer.clear();
      bool known = runNamedCommand && runNamedCommand(name);
      if (!known) LogLine("Unknown command \"" + name + "\"");
      if (waitingForInput == 0) {
        got = answer;
        break;
      }
      waitingForInput = 0;
      continue;
    }
    got = typed.key;
    break;
  }
  if (!got.empty()) {
    key = got[0];
    if (got.size() >= 2) extChar = got[1];
  }
  if (commandKey)
    runningCommand =
        !keySource.empty() ? keySource : KeyLabel(got.empty() ? std::string(1, key) : got);
  keySource.clear();
  pendingPrompt.clear();
  inputMode = kModeNone;
}

void Console::WaitAnyKey() {
  inputMode = kModeNone;
  waitingForInput = 1;
  while (waitingForInput == 1) host_.Wait(*this);
  pendingPrompt.clear();
}

void Console::InjectKey(const std::string& keyString) {
  if (waitingForInput == 1) {
    waitingForInput = 0;
    answer = keyString;
    host_.ClearCommandField();
  } else {
    LogLine("!!! IO is not waiting for input");
  }
}

void Console::CommandFieldEnter(const std::string& text) {
  waitingForInput = 0;
  answer = text;
  host_.ClearCommandField();
}

bool Console::CharacterMessage(char ch) {
  bool handled = false;
  if (inputMode == kModeNone) {
    if (waitingForInput == 1)
      waitingForInput = 0;
    else
      handled = true;
  }
  if (ch == '+') InjectKey("+");
  if (ch == '-') InjectKey("-");
  return handled;
}

void Console::SetRunTitle(const std::string& name) {
  host_.SetCaption("ZR : " + name);
  host_.SetAppTitle(name);
}

void Console::AskNumber(const std::string& caption, const std::string& prompt, double& value) {
  std::string text = host_.InputBox(caption, prompt, General(value));
  if (auto v = ParseNumber(text)) value = *v;
}

}  // namespace teril

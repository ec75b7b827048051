// The console layer: the engine prints lines and waits for lines and keys as
// the console program did; the host (window, terminal or test) supplies the
// input while the wait runs.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "console/console_host.h"

namespace teril {

enum InputMode { kModeNone = 0, kModeKey = 1, kModeText = 3, kModeNumber = 4 };

class Console {
 public:
  explicit Console(ConsoleHost& host) : host_(host) {}

  // --- state table ---
  int waitingForInput = 0;
  std::string answer;
  int inputMode = kModeNone;
  char extChar = 0;
  std::string pendingPrompt;
  // True while the key loop waits for its next command key, false while a
  // command waits for a key of its own (the degree of a fit, a Y for sort):
  // menu items that change the data or the ephemeris act only at the
  // command key, never under a command that is half done.
  bool atCommandKey = false;

  // Runs a named command (":wsp1") during a key wait; returns false when
  // the name is unknown. Set by the engine that owns the registry.
  std::function<bool(const std::string& name)> runNamedCommand;

  // What runs now, for the files it writes: the caption of a menu command,
  // or the command key the key loop is carrying out ("key ^P").
  std::string runningCommand;
  // The caption of a menu command that handed the key loop its key: the
  // key's command is then named after the menu item.
  std::string keySource;

  // When false, LogLine does not append to ZR.log (benchmarks only).
  bool writeLogFile = true;

  ConsoleHost& host() { return host_; }

  // Appends the line to the log pane and to ZR.log in the current folder
  // (opened and closed for every line, so the file is complete at any time).
  void LogLine(const std::string& text);
  void LogLine(const char* text) { LogLine(std::string(text)); }
  void LogLine(double value);
  void LogLine(int value);
  void LogLine(long long value);

  void SetPrompt(const std::string& text) { pendingPrompt = text; }

  // Tells the host that a result file has been written by the running
  // command.
  void FileWritten(const std::string& path) { host_.FileWritten(path, runningCommand); }
  // Logs a value a key has set and shows it in the host's status line.
  void ValueSet(const std::string& text);

  // Waits for a line of text; logs "OUT<<" + the line.
  std::string ReadText();
  // Waits for a line holding a number ("." as decimal point); a line that is
  // not a number is refused with a log line and asked again.
  double ReadNumber();
  // Waits for a key string. The first character replaces `key`, the second
  // goes to extChar. An empty line keeps `key` (the previous key repeats).
  // Typed notations: "^E" gives control character 5, "#131" the character
  // with that code, ":name" runs the named command as the menu would.
  // `commandKey` is true for the key loop's own wait for a command.
  void ReadKey(char& key, bool commandKey = false);
  // True while the key loop waits for its command key: the one wait in which
  // a menu item may change the data.
  bool WaitsForCommandKey() const {
    return waitingForInput == 1 && inputMode == kModeKey && atCommandKey;
  }
  // Waits until any input arrives.
  void WaitAnyKey();

  // Hands a key string to a waiting engine; otherwise logs
  // "!!! IO is not waiting for input" and drops it.
  void InjectKey(const std::string& keyString);

  // Enter in the command field: ends any wait with the field's text.
  void CommandFieldEnter(const std::string& text);

  // A character typed anywhere in the window, before it reaches a control.
  // Returns true when the character must be swallowed. "+" and "-" zoom in
  // every mode (they inject "+" and "-").
  bool CharacterMessage(char ch);

  void SetRunTitle(const std::string& name);

  // Input box with the value in the shortest general form as default; a
  // numeric answer replaces `value`, anything else leaves it.
  void AskNumber(const std::string& caption, const std::string& prompt, double& value);

 private:
  std::string CommonWait();
  ConsoleHost& host_;
};

// Converts a typed key line to the key string it stands for: "^E" -> "\x05",
// "#131" -> "\x83"; other lines are returned unchanged.
std::string DecodeKeyNotation(const std::string& line);

// A line typed while a key is awaited: a named command (":wsp1", the name
// without the colon and without blanks at its end) or a key string with
// its notation decoded.
struct KeyLine {
  bool named = false;
  std::string name;
  std::string key;
};
KeyLine ParseKeyLine(const std::string& line);

// How a key reads to the user, in the notation of the command field:
// "key F", "key ~2", "key ^P", "key #131".
std::string KeyLabel(const std::string& keyString);

}  // namespace teril

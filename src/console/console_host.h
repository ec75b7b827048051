// The console host: what the engine needs from the window (or the terminal,
// or a test) to behave like the console program it once was.
#pragma once

#include <optional>
#include <string>

namespace teril {

class Console;

class ConsoleHost {
 public:
  virtual ~ConsoleHost() = default;

  // Appends one line at the end of the log pane.
  virtual void AppendLog(const std::string& line) = 0;

  // Returns once the console no longer waits (console.waitingForInput == 0).
  // The host delivers input by calling console.CommandFieldEnter,
  // console.InjectKey or console.CharacterMessage; named commands and
  // dialogs may run inside the call. A host that must end the program
  // (window closed, input exhausted) throws ProgramExit from here, after
  // its own event processing has returned.
  virtual void Wait(Console& console) = 0;

  // A wait in the command field begins: give the field the focus and
  // colour it yellow. (WaitAnyKey does not call this.)
  virtual void FocusCommandField() {}
  // Empties the command field (Enter and an injected key do so).
  virtual void ClearCommandField() {}

  // Caption of the main window and the application title.
  virtual void SetCaption(const std::string&) {}
  virtual void SetAppTitle(const std::string&) {}
  virtual void Beep() {}

  // Modal message box.
  virtual void MessageBox(const std::string& text) = 0;
  // Modal input box; returns the entered text, or `defaultText` when
  // cancelled.
  virtual std::string InputBox(const std::string& caption, const std::string& prompt,
                               const std::string& defaultText) = 0;

  // The process's standard output (echo of loaded points).
  virtual void StdOut(const std::string& line) = 0;
};

}  // namespace teril

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

  // A result file has been written or appended to: `path` as the engine
  // named it (relative to the current folder), `command` what wrote it (a
  // menu command's caption, or "key ^P"). The window lists these files.
  virtual void FileWritten(const std::string& /*path*/, const std::string& /*command*/) {}
  // A value a key has just set ("P = 0.5"), for the status line; the same
  // text goes to the log.
  virtual void ShowStatus(const std::string& /*text*/) {}

  // Modal message box.
  virtual void MessageBox(const std::string& text) = 0;
  // Modal input box; returns the entered text, or `defaultText` when
  // cancelled.
  virtual std::string InputBox(const std::string& caption, const std::string& prompt,
                               const std::string& defaultText) = 0;

  // The process's standard output (echo of loaded points).
  virtual void StdOut(const std::string& line) = 0;

  // Long work (a batch over intervals, a periodogram, a scalegram) calls
  // this between its units of work: `done` of `total` units, `what` says
  // what is being done. The window shows a progress bar with a Cancel
  // button and keeps repainting; the terminal prints a line now and then.
  // Returns false once the user asked to stop: the caller then ends its
  // work at a consistent point that it documents. Calling it never changes
  // a result.
  virtual bool Progress(long long /*done*/, long long /*total*/, const std::string& /*what*/) {
    return true;
  }
  // The long work has ended (finished or stopped): the progress display
  // goes away.
  virtual void EndProgress() {}
};

// Ends the progress display when the long work leaves its scope, however
// it leaves it.
class ProgressScope {
 public:
  explicit ProgressScope(ConsoleHost& host) : host_(host) {}
  ~ProgressScope() { host_.EndProgress(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
  bool Step(long long done, long long total, const std::string& what) {
    return host_.Progress(done, total, what);
  }

 private:
  ConsoleHost& host_;
};

}  // namespace teril

// Console prompts asked by a command that runs directly from a menu while
// the engine waits for a key.
//
// Such a command (a table that asks its start, step and formats line by
// line) waits for text inside the engine's key wait. Each of its answers
// ends a wait; without care the last answer would also end the key wait
// and be taken as the next key ("5" would delete the current point). A
// PromptScope remembers the wait that was in progress and puts it back when
// the command ends, however it ends, so the engine goes on waiting for its
// key as before.
#pragma once

#include <string>

#include "console/console.h"

namespace teril {

class PromptScope {
 public:
  explicit PromptScope(Console& console)
      : console_(console),
        waiting_(console.waitingForInput),
        mode_(console.inputMode),
        prompt_(console.pendingPrompt) {}
  ~PromptScope() {
    console_.waitingForInput = waiting_;
    console_.inputMode = mode_;
    console_.pendingPrompt = prompt_;
    console_.answer.clear();
  }
  PromptScope(const PromptScope&) = delete;
  PromptScope& operator=(const PromptScope&) = delete;

  // True when the console waits for something other than a key (a text or
  // a number of another command): prompts asked now would answer that
  // command's question instead.
  bool OtherPromptPending() const {
    return waiting_ == 1 && mode_ != kModeKey && mode_ != kModeNone;
  }

 private:
  Console& console_;
  int waiting_;
  int mode_;
  std::string prompt_;
};

}  // namespace teril

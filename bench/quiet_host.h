// A console host and dialogs that answer nothing, for benchmarks.
#pragma once

#include <utility>
#include <optional>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/console_host.h"
#include "console/dialogs.h"

namespace teril::bench {

class QuietHost : public ConsoleHost {
 public:
  void AppendLog(const std::string&) override {}
  void Wait(Console& console) override { console.CommandFieldEnter("\x1b"); }
  void MessageBox(const std::string&) override {}
  std::string InputBox(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  void StdOut(const std::string&) override {}
};

class NoDialogs : public Dialogs {
 public:
  using Dialogs::EditFields;
  bool EditFields(const std::string&, const std::string&, std::vector<DialogField>&,
                  const std::string&) override {
    return false;
  }
  std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFile(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  bool YesNo(const std::string&) override { return false; }
  bool CheckList(const std::string&, const std::vector<std::string>&, std::vector<bool>&) override {
    return false;
  }
  bool ChooseMethods(MethodChoice&) override { return false; }
};

}  // namespace teril::bench

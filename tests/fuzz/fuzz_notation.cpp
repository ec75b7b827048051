// The command-field notation on arbitrary bytes: the lines of the input are
// typed one after the other while the engine waits for a key ("^E", "#131",
// ":wsp1", plain keys), as the console's key wait reads them.
//
// Properties: "^" with a character from "@" to "_" is that control
// character, "#" with one to three digits up to 255 the character of that
// code, ":" and a name a lookup in the registry that finds only a command
// of that name; any other line is its own key string; the wait ends with
// the key of the first line that is not a known name (Esc at the end).
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/commands.h"
#include "console/console.h"
#include "console/console_host.h"
#include "fuzz_check.h"

using namespace teril;

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Answers the waits with the lines of the input, then with Esc.
class LinesHost : public ConsoleHost {
 public:
  explicit LinesHost(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  void AppendLog(const std::string&) override {}
  void Wait(Console& console) override {
    console.CommandFieldEnter(next_ < lines_.size() ? lines_[next_++] : std::string(1, '\x1b'));
  }
  void MessageBox(const std::string&) override {}
  std::string InputBox(const std::string&, const std::string&, const std::string& d) override {
    return d;
  }
  void StdOut(const std::string&) override {}
  std::size_t next() const { return next_; }

 private:
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
};

void CheckLine(const std::string& line) {
  KeyLine k = ParseKeyLine(line);
  if (k.named) {
    FUZZ_CHECK(line.size() > 1 && line[0] == ':');
    FUZZ_CHECK(line.compare(1, k.name.size(), k.name) == 0);
    FUZZ_CHECK(k.name.empty() || k.name.back() != ' ');
    if (const NamedCommand* c = FindCommand(k.name))
      FUZZ_CHECK(SameName(c->name, k.name) || SameName(c->itemName, k.name));
    return;
  }
  if (line.size() == 2 && line[0] == '^' && line[1] >= '@' && line[1] <= '_') {
    FUZZ_CHECK(k.key.size() == 1 && k.key[0] == line[1] - '@');
  } else if (line.size() >= 2 && line.size() <= 4 && line[0] == '#' &&
             line.find_first_not_of("0123456789", 1) == std::string::npos &&
             std::stoi(line.substr(1)) <= 255) {
    FUZZ_CHECK(k.key.size() == 1 &&
               static_cast<unsigned char>(k.key[0]) == std::stoi(line.substr(1)));
  } else {
    FUZZ_CHECK(k.key == line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos <= text.size() && lines.size() < 16;) {
    std::size_t end = std::min(text.find('\n', pos), text.size());
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  for (const std::string& line : lines) CheckLine(line);

  LinesHost host(lines);
  Console console(host);
  console.writeLogFile = false;
  console.runNamedCommand = [](const std::string& name) { return FindCommand(name) != nullptr; };
  char key = 'k';
  console.ReadKey(key);
  FUZZ_CHECK(console.inputMode == kModeNone && console.pendingPrompt.empty());
  // Named commands that hand over no key leave the wait open: the key is
  // that of the first other line, or Esc when there is none.
  std::size_t first = 0;
  while (first < lines.size() && ParseKeyLine(lines[first]).named) ++first;
  if (first == lines.size()) {
    FUZZ_CHECK(host.next() == lines.size() && key == '\x1b');
    return 0;
  }
  FUZZ_CHECK(host.next() == first + 1);
  const std::string typed = ParseKeyLine(lines[first]).key;
  if (typed.empty()) {
    FUZZ_CHECK(key == 'k');  // an empty line repeats the previous key
  } else {
    FUZZ_CHECK(key == typed[0]);
    FUZZ_CHECK(console.extChar == (typed.size() >= 2 ? typed[1] : 0));
  }
  return 0;
}

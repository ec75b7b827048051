#include "support/scripted_host.h"

#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/io.h"

namespace teril::testing {

void ScriptedHost::Wait(Console& console) {
  ++waits;
  if (!answers.empty()) {
    std::string line = answers.front();
    answers.pop_front();
    console.CommandFieldEnter(line);
    return;
  }
  if (++extra_ > maxExtraAnswers) throw ProgramExit{2};
  console.CommandFieldEnter(console.inputMode == kModeKey || console.inputMode == kModeNone
                                ? std::string(1, '\x1b')
                                : std::string());
}

std::string ScriptedHost::InputBox(const std::string&, const std::string&,
                                   const std::string& defaultText) {
  if (inputBoxAnswers.empty()) return defaultText;
  std::string a = inputBoxAnswers.front();
  inputBoxAnswers.erase(inputBoxAnswers.begin());
  return a;
}

bool ScriptedHost::Logged(const std::string& line) const {
  for (auto& l : log)
    if (l == line) return true;
  return false;
}

bool ScriptedHost::LoggedPart(const std::string& part) const {
  for (auto& l : log)
    if (l.find(part) != std::string::npos) return true;
  return false;
}

bool ScriptedDialogs::EditFields(const std::string& name, const std::string& caption,
                                 std::vector<DialogField>& fields, const std::string&) {
  shown.push_back(caption);
  names.push_back(name);
  shownFields.push_back(fields);
  if (fieldAnswers.empty()) return false;
  auto a = fieldAnswers.front();
  fieldAnswers.pop_front();
  if (a.size() == 1 && a[0] == "<cancel>") return false;
  // As the console mode: the answers go to the fields that apply, in order.
  std::size_t next = 0;
  for (std::size_t i = 0; i < fields.size() && next < a.size(); ++i) {
    if (!FieldApplies(fields, i)) continue;
    if (!a[next].empty()) fields[i].value = a[next];
    ++next;
  }
  return true;
}

std::optional<std::string> ScriptedDialogs::OpenFile(const std::string& title, const std::string&) {
  shown.push_back(title);
  if (fileAnswers.empty()) return std::nullopt;
  auto a = fileAnswers.front();
  fileAnswers.pop_front();
  if (a.empty()) return std::nullopt;
  return a;
}

std::optional<std::string> ScriptedDialogs::SaveFile(const std::string& title, const std::string& f,
                                                     const std::string&) {
  return OpenFile(title, f);
}

bool ScriptedDialogs::YesNo(const std::string& caption) {
  shown.push_back(caption);
  if (yesNoAnswers.empty()) return false;
  bool a = yesNoAnswers.front();
  yesNoAnswers.pop_front();
  return a;
}

bool ScriptedDialogs::CheckList(const std::string& caption, const std::vector<std::string>&,
                                std::vector<bool>& checked) {
  shown.push_back(caption);
  if (checkListAnswers.empty()) return false;
  checked = checkListAnswers.front();
  checkListAnswers.pop_front();
  return true;
}

bool ScriptedDialogs::ChooseMethods(MethodChoice& choice) {
  shown.push_back(choice.caption);
  methodChoices.push_back(choice);
  if (methodAnswers.empty()) return false;
  MethodAnswer a = methodAnswers.front();
  methodAnswers.pop_front();
  choice.checked.assign(choice.items.size(), false);
  for (int k : a.checked)
    if (k >= 1 && k <= static_cast<int>(choice.items.size()))
      choice.checked[static_cast<std::size_t>(k - 1)] = true;
  choice.optionChecked = a.option;
  return true;
}

bool TempFolderTest::ActAsAnotherUser() {
  if (::geteuid() != 0) return true;
  constexpr uid_t kNobody = 65534;
  constexpr gid_t kNoGroup = 65534;
  std::error_code ec;
  if (::chown(dir.c_str(), kNobody, kNoGroup) != 0) return false;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (::lchown(it->path().c_str(), kNobody, kNoGroup) != 0) return false;
  if (ec || ::setegid(kNoGroup) != 0) return false;
  if (::seteuid(kNobody) != 0) {
    if (::setegid(0) != 0) std::abort();
    return false;
  }
  actingAsAnother_ = true;
  return true;
}

void TempFolderTest::SetUp() {
  previous_ = std::filesystem::current_path();
  auto base = std::filesystem::temp_directory_path();
  std::string name = "teril-test-XXXXXX";
  std::string tmpl = (base / name).string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  char* made = mkdtemp(buf.data());
  ASSERT_NE(made, nullptr);
  dir = made;
  std::filesystem::current_path(dir);
}

void TempFolderTest::TearDown() {
  if (actingAsAnother_) {
    // Back to root, which the saved user id still allows.
    if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();
    actingAsAnother_ = false;
  }
  std::filesystem::current_path(previous_);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

std::string TempFolderTest::WriteText(const std::string& name, const std::string& content) {
  auto p = dir / name;
  std::ofstream(p, std::ios::binary) << content;
  return p.string();
}

std::string TempFolderTest::ReadText(const std::string& name) const {
  auto c = ReadFileIfExists((dir / name).string());
  return c ? *c : std::string();
}

std::vector<std::string> TempFolderTest::ReadLines(const std::string& name) const {
  std::vector<std::string> lines;
  std::istringstream in(ReadText(name));
  std::string l;
  while (std::getline(in, l)) lines.push_back(l);
  return lines;
}

void EngineTest::SetUp() {
  TempFolderTest::SetUp();
  EngineOptions o;
  o.workFolder = (dir / "work").string();
  engine = std::make_unique<Engine>(host, dialogs, o);
}

void EngineTest::TearDown() {
  engine.reset();
  TempFolderTest::TearDown();
}

}  // namespace teril::testing

#include "console/commands.h"

#include <algorithm>
#include <cctype>

#include "console/engine.h"
#include "console/io.h"

namespace teril {
namespace {

std::vector<NamedCommand> BuildRegistry() {
  std::vector<NamedCommand> list;
  auto inject = [](const char* key) {
    return [k = std::string(key)](Engine& e) { e.console.InjectKey(k); };
  };
  list.push_back({"Save", "File", "Save", "F2", false, true, inject("~2"), ""});
  list.push_back({"Savevis1", "File", "Save visible", "Ctrl+F2", false, true, inject("~1"), ""});
  return list;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

const std::vector<std::string>& MenuOrder() {
  static const std::vector<std::string> order{"File", "Edit", "Navigate", "View", "Transform",
                                              "Mean", "RuPar", "Extrema", "Periodogram",
                                              "Analysis", "Approximation", "Square",
                                              "Blazhko effect", "Help", "Exit"};
  return order;
}

const std::vector<NamedCommand>& Commands() {
  static const std::vector<NamedCommand> registry = BuildRegistry();
  return registry;
}

const NamedCommand* FindCommand(const std::string& name) {
  for (auto& c : Commands())
    if (SameName(c.name, name)) return &c;
  return nullptr;
}

bool RunNamedCommand(Engine& engine, const std::string& name) {
  const NamedCommand* c = FindCommand(name);
  if (!c || !c->handler) return false;
  try {
    c->handler(engine);
  } catch (const IoError& e) {
    engine.LogLine(e.what());
    engine.host.MessageBox(e.what());
  }
  return true;
}

}  // namespace teril

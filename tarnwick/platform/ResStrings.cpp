// The message texts by name: the compiled-in defaults and the replacements a host sets.
#include "tarnwick/platform/ResStrings.h"

#include <map>
#include <string>

#include "tarnwick/platform/detail/Immortal.h"

namespace tarnwick {
namespace {

// Replacements by message name. Replacing texts is a start-up activity of the host; reads while
// nothing is being replaced are safe from any thread.
std::map<std::string, std::string, std::less<>>& Replacements() {
  static detail::TImmortal<std::map<std::string, std::string, std::less<>>> Map;
  return Map.Get();
}

}  // namespace

std::string LoadResString(const TResString& Res) {
  const auto& Map = Replacements();
  if (!Map.empty()) {
    auto It = Map.find(Res.Name);
    if (It != Map.end()) return It->second;
  }
  return std::string(Res.Default);
}

void SetResStringText(std::string_view Name, std::string Text) {
  Replacements()[std::string(Name)] = std::move(Text);
}

void ResetResStringText(std::string_view Name) {
  auto& Map = Replacements();
  auto It = Map.find(Name);
  if (It != Map.end()) Map.erase(It);
}

}  // namespace tarnwick

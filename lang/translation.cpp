#include "lang/translation.h"

#include <cstring>
#include <fstream>
#include <iterator>

bool Translation::load(const std::string& code, const std::vector<std::string>& folders) {
  load_table("en", {});
  if (code.empty() || code == "en") return true;
  for (const std::string& folder : folders) {
    std::ifstream file(folder + "/" + code + ".txt", std::ios::binary);
    if (!file) continue;
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    load_table(code, parse_language_text(text));
    return true;
  }
  return false;
}

void Translation::load_table(const std::string& code, TranslationTable table) {
  code_ = code;
  table_ = std::move(table);
  composed_.clear();
}

const char* Translation::translate(const char* english) {
  if (english == nullptr || table_.empty()) return english;
  auto found = table_.find(english);
  if (found != table_.end()) return found->second.c_str();
  const char* suffix = std::strstr(english + (english[0] != '\0' ? 1 : 0), "##");
  if (suffix == nullptr) return english;
  found = table_.find(std::string(english, suffix));
  if (found == table_.end()) return english;
  // A translation with an identity of its own keeps it; otherwise it takes the string's.
  if (found->second.find("##") != std::string::npos) return found->second.c_str();
  auto [composed, added] = composed_.try_emplace(english);
  if (added) composed->second = found->second + suffix;
  return composed->second.c_str();
}

Translation& current_translation() {
  static Translation translation;
  return translation;
}

std::string resolve_language(const std::string& setting, EnvironmentRead read_environment) {
  if (setting != "auto") return setting;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = read_environment(name);
    if (value == nullptr || value[0] == '\0') continue;
    return std::strncmp(value, "ja", 2) == 0 ? "ja" : "en";
  }
  return "en";
}

#include "app/shell/recent_files.h"

#include <algorithm>
#include <cctype>

#include "app/ui/ui_state.h"

namespace {

bool same_ignoring_case(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

void remember_recent(std::vector<std::string>& recent, const std::string& path) {
  std::erase_if(recent, [&](const std::string& entry) { return same_ignoring_case(entry, path); });
  recent.insert(recent.begin(), path);
  if (recent.size() > kRecentLimit) recent.resize(kRecentLimit);
}

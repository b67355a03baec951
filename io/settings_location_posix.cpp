// Where the settings file lives on Linux: the XDG configuration folder.
#include <cstdlib>

#include "io/settings.h"

namespace {

constexpr std::size_t kLongestPath = 4096;

std::string folder_under(const char* base, const char* suffix) {
  std::string folder = base;
  folder += suffix;
  folder += "/Brisel Quantizer";
  return folder;
}

}  // namespace

std::string settings_file_path() {
  std::string folder;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  // A relative XDG_CONFIG_HOME is not a valid location and is passed over.
  if (config != nullptr && config[0] == '/') folder = folder_under(config, "");
  if (folder.empty() || folder.size() + 13 >= kLongestPath) {
    folder.clear();
    if (home != nullptr && home[0] != '\0') folder = folder_under(home, "/.config");
  }
  std::string path = folder + "/settings.ini";
  if (folder.empty() || path.size() >= kLongestPath) return {};
  return path;
}

// Where the settings file lives on Windows: the user's roaming application
// data folder, %APPDATA%. HOME means nothing here, even when set.
#include <cstdlib>

#include "io/settings.h"

namespace {

constexpr std::size_t kLongestFolder = 260;  // MAX_PATH, as the profile functions allow

}  // namespace

std::string settings_file_path() {
  const char* appdata = std::getenv("APPDATA");
  if (appdata == nullptr || appdata[0] == '\0') return {};
  std::string folder = appdata;
  if (folder.size() >= kLongestFolder) return {};
  return folder + "\\Brisel Quantizer\\settings.ini";
}

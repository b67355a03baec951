#include "app/shell/language.h"

#include <cstdlib>

#include "app/platform/executable_folder.h"
#include "app/shell/interface_scale.h"
#include "lang/translation.h"

std::vector<std::string> language_folders() {
  std::vector<std::string> folders = {executable_folder() + "/lang"};
  const char* data_dirs = std::getenv("XDG_DATA_DIRS");
  std::string dirs = data_dirs != nullptr && data_dirs[0] != '\0' ? data_dirs : "/usr/local/share:/usr/share";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    if (end > start) folders.push_back(dirs.substr(start, end - start) + "/brisel-quantizer/lang");
    start = end + 1;
  }
  return folders;
}

void load_language(const std::string& setting) {
  std::string code = resolve_language(setting, [](const char* name) -> const char* { return std::getenv(name); });
  current_translation().load(code, language_folders());
  interface_scale().fonts_rebuild = true;
}

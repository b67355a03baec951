#include "app/platform/data_folders.h"

#include <cstdlib>

#include "app/platform/executable_folder.h"

const char* main_font_file() { return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"; }

const char* japanese_font_file() { return "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"; }

// lang/ beside the program, then each $XDG_DATA_DIRS folder's brisel-quantizer/lang.
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

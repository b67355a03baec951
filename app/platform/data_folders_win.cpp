#include "app/platform/data_folders.h"

#include <windows.h>

#include "app/platform/executable_folder.h"
#include "app/platform/wide_text_win.h"

namespace {

std::string fonts_folder() {
  wchar_t windows[MAX_PATH];
  UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  std::string folder = length > 0 && length < MAX_PATH ? utf8_from_utf16(windows) : "C:\\Windows";
  return folder + "\\Fonts\\";
}

bool exists(const std::string& path) { return GetFileAttributesW(utf16_from_utf8(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

const char* main_font_file() {
  static const std::string path = fonts_folder() + "segoeui.ttf";
  return path.c_str();
}

// The first Japanese font the system has, in the order Windows versions added them.
const char* japanese_font_file() {
  static const std::string path = [] {
    std::string last;
    for (const char* name : {"YuGothR.ttc", "meiryo.ttc", "msgothic.ttc"}) {
      last = fonts_folder() + name;
      if (exists(last)) break;
    }
    return last;
  }();
  return path.c_str();
}

std::vector<std::string> language_folders() { return {executable_folder() + "\\lang"}; }

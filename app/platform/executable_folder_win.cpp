#include "app/platform/executable_folder.h"

#include <windows.h>

#include "app/platform/wide_text_win.h"

std::string executable_folder() {
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::string() : utf8_from_utf16(path.substr(0, slash).c_str());
}

std::string executable_file_name(const std::string& stem) { return stem + ".exe"; }

#include "app/platform/utf16_win.h"

#include <windows.h>

#include <climits>
#include <cwchar>

std::wstring utf16_from_utf8(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(),
                      length);
  return wide;
}

std::string utf8_from_utf16(const wchar_t* text, std::size_t length) {
  if (length == 0 || length > INT_MAX) return {};
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), narrow.data(), bytes, nullptr, nullptr);
  return narrow;
}

std::string utf8_from_utf16(const wchar_t* text) {
  return text == nullptr ? std::string() : utf8_from_utf16(text, wcslen(text));
}

#include "app/platform/clipboard_data_win.h"

#include <cstring>

#include "app/platform/utf16_win.h"

UINT png_clipboard_format() {
  static const UINT format = RegisterClipboardFormatA("PNG");
  return format;
}

bool put_clipboard_bytes(UINT format, const void* bytes, std::size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == nullptr) return false;
  void* target = GlobalLock(block);
  if (target == nullptr) {
    GlobalFree(block);
    return false;
  }
  std::memcpy(target, bytes, size);
  GlobalUnlock(block);
  if (SetClipboardData(format, block) != nullptr) return true;  // the system owns it now
  GlobalFree(block);
  return false;
}

bool put_clipboard_text(const std::string& text) {
  std::wstring wide = utf16_from_utf8(text);
  if (wide.empty() && !text.empty()) return false;
  return put_clipboard_bytes(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

std::vector<std::uint8_t> clipboard_bytes(UINT format) {
  HANDLE block = GetClipboardData(format);
  if (block == nullptr) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(block));
  if (bytes == nullptr) return {};
  std::vector<std::uint8_t> copy(bytes, bytes + GlobalSize(block));
  GlobalUnlock(block);
  return copy;
}

std::string clipboard_text() {
  std::vector<std::uint8_t> bytes = clipboard_bytes(CF_UNICODETEXT);
  std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
  if (!wide.empty()) std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
  wide.resize(std::wcslen(wide.c_str()));
  return utf8_from_utf16(wide.data(), wide.size());
}

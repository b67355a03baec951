// The Windows clipboard's text, in UTF-16 there and UTF-8 here.
#include "app/platform/clipboard_text.h"

#include "app/platform/clipboard_data_win.h"

bool set_system_clipboard_text(const std::string& text) {
  if (!OpenClipboard(nullptr)) return false;
  bool placed = EmptyClipboard() && put_clipboard_text(text);
  CloseClipboard();
  return placed;
}

bool system_clipboard_has_text() { return IsClipboardFormatAvailable(CF_UNICODETEXT) != 0; }

std::string system_clipboard_text() {
  if (!OpenClipboard(nullptr)) return {};
  std::string text = clipboard_text();
  CloseClipboard();
  return text;
}

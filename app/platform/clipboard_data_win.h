#pragma once
// Windows only: putting data on the clipboard the caller has opened, and
// reading it back, in the formats the desktop face uses.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The registered "PNG" format other programs read PNG file bytes from.
UINT png_clipboard_format();
// Bytes as a movable global block under `format`; false when it could not be placed.
bool put_clipboard_bytes(UINT format, const void* bytes, std::size_t size);
// UTF-8 text as CF_UNICODETEXT, ending in a zero.
bool put_clipboard_text(const std::string& text);
// What the clipboard holds under `format`; empty when nothing.
std::vector<std::uint8_t> clipboard_bytes(UINT format);
// CF_UNICODETEXT as UTF-8, up to its first zero.
std::string clipboard_text();

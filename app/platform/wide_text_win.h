#pragma once
// UTF-8 to UTF-16 and back at the Windows boundary, and the names the Windows
// desktop files share.
#include <string>

inline constexpr const wchar_t* kWindowClass = L"kestrane_gui";
inline constexpr int kIconResource = 101;

std::wstring utf8_to_wide(const std::string& text);
std::string wide_to_utf8(const wchar_t* text);

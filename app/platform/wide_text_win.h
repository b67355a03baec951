#pragma once
// The names the Windows desktop files share, and the UTF-8/UTF-16 conversions
// they all use at the system's boundary.
#include "app/platform/utf16_win.h"

inline constexpr const wchar_t* kWindowClass = L"kestrane_gui";
inline constexpr int kIconResource = 101;

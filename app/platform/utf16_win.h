#pragma once
// Windows only: UTF-8 strings, as this program keeps them, to and from the
// UTF-16 the system's wide interfaces take. Invalid input gives an empty result.
#include <string>

std::wstring utf16_from_utf8(const std::string& text);
std::string utf8_from_utf16(const wchar_t* text, std::size_t length);
std::string utf8_from_utf16(const wchar_t* text);  // up to its terminating zero; null gives ""

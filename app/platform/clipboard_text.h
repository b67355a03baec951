#pragma once
// The window system's own clipboard for texts, in UTF-8: what reads go through,
// and where writes go when no clipboard owner runs.
#include <string>

bool set_system_clipboard_text(const std::string& text);  // false when it could not be placed
bool system_clipboard_has_text();
std::string system_clipboard_text();  // empty when there is none or it cannot be read

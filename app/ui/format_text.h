#pragma once
// printf into a string of whatever length the text needs (paths can be long).
#include <string>

[[gnu::format(printf, 1, 2)]] std::string format_text(const char* format, ...);

#pragma once
// When this program was built, as the window title and the About window show it.
#include <string>

const char* build_stamp();

// The title the window carries: name, build stamp, suffix.
std::string window_title(const char* suffix);

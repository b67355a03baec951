#pragma once
#include <string>

// True when anything at all sits at `path`: a file, a folder, even a dangling link.
bool path_exists(const std::string& path);

// Narrow paths are UTF-8: the executable's manifest makes it the process code page.
#include <windows.h>

#include "cli/path_exists.h"

bool path_exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

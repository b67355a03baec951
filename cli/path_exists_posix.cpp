#include "cli/path_exists.h"

#include <sys/stat.h>

bool path_exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

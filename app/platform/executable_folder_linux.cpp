#include "app/platform/executable_folder.h"

#include <unistd.h>

#include <vector>

std::string executable_folder() {
  std::vector<char> buffer(4096);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  std::string path(buffer.data(), static_cast<std::size_t>(length));
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string executable_file_name(const std::string& stem) { return stem; }

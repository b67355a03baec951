#include <sys/stat.h>
#include <unistd.h>

#include "tests/io/special_files.h"

std::vector<std::string> special_files(const ScratchFolder& folder) {
  std::string zero = folder.file("zero.ini"), pipe = folder.file("pipe.ini");
  std::vector<std::string> files;
  if (::symlink("/dev/zero", zero.c_str()) == 0) files.push_back(zero);
  if (::mkfifo(pipe.c_str(), 0600) == 0) files.push_back(pipe);
  return files;
}

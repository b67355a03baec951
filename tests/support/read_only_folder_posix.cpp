#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/scratch_path.h"

bool make_read_only_folder(const std::string& path) {
  return ::geteuid() != 0 && ::mkdir(path.c_str(), 0555) == 0;
}

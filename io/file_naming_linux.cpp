// Linux: files written without a name and named in one step, so that neither a
// killed process nor a second writer can leave or lose anything.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include "io/file_system.h"

std::FILE* create_unnamed_file(const std::string& folder, bool& unsupported) {
  // The file is named later through /proc; without it, the hidden named file it is.
  unsupported = ::access("/proc/self/fd", X_OK) != 0;
  if (unsupported) return nullptr;
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0) {
    // Kernels or file systems without O_TMPFILE; older kernels see a plain O_DIRECTORY.
    unsupported = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOSYS;
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "w+b");
  if (file == nullptr) ::close(fd);
  return file;
}

namespace {

bool link_descriptor(int fd, const std::string& name) {
  std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

bool name_unnamed_file(std::FILE* file, const std::string& target, bool replace) {
  int fd = ::fileno(file);
  if (link_descriptor(fd, target)) return true;
  if (errno != EEXIST || !replace) return false;
  // linkat never replaces: the file gets a passing name beside the target and is
  // moved over it, so readers still see the old file or the whole new one.
  std::random_device random;
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string passing = target + ".bq" + std::to_string(random() % 1000000000u);
    if (link_descriptor(fd, passing)) {
      if (::rename(passing.c_str(), target.c_str()) == 0) return true;
      int error = errno;
      ::unlink(passing.c_str());
      errno = error;
      return false;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool move_file(const std::string& from, const std::string& to, bool replace) {
  if (replace) return ::rename(from.c_str(), to.c_str()) == 0;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: link refuses an existing name just as well.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

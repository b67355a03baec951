// POSIX implementation of the file services.
#include "io/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <vector>

const char* path_separators() { return "/"; }

PathKind path_kind(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return PathKind::missing;
  return S_ISREG(info.st_mode) ? PathKind::regular : PathKind::other;
}

bool path_is_missing(const std::string& path) {
  struct stat info {};
  if (path.empty()) return true;
  if (::stat(path.c_str(), &info) == 0) return false;
  return errno == ENOENT || errno == ENOTDIR;
}

bool is_regular_file(const std::string& path) { return path_kind(path) == PathKind::regular; }

bool make_directories(const std::string& path) {
  if (path.empty()) return false;
  std::string partial;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    partial = path.substr(0, slash);
    if (!partial.empty()) {
      // XDG asks for 0700 on folders it creates for the user.
      if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    start = slash + 1;
  }
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::uint64_t available_memory_bytes() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::uint64_t kib = 0;
  std::string unit;
  while (meminfo >> key >> kib >> unit) {
    if (key == "MemAvailable:") return kib * 1024u;
  }
  long pages = ::sysconf(_SC_PHYS_PAGES);
  long page_size = ::sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return UINT64_MAX;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

std::string temporary_folder() {
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir != nullptr && tmpdir[0] != '\0') return tmpdir;
  return "/tmp";
}

std::FILE* create_unique_file(const std::string& folder, const std::string& name_prefix,
                              std::string& created_path, const std::string& name_suffix) {
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += name_prefix + "XXXXXX" + name_suffix;
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemps(name.data(), static_cast<int>(name_suffix.size()));
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "w+b");
  if (file == nullptr) {
    ::close(fd);
    ::unlink(name.data());
    return nullptr;
  }
  created_path = name.data();
  return file;
}

bool flush_to_disk(std::FILE* file) {
  return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

static mode_t current_umask() {
  // /proc avoids the set-and-restore race of umask(2) with other threads.
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "Umask:") {
      std::string octal;
      status >> octal;
      return static_cast<mode_t>(std::strtoul(octal.c_str(), nullptr, 8));
    }
    std::getline(status, key);
  }
  mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

void set_default_permissions(std::FILE* file) {
  ::fchmod(::fileno(file), 0666 & ~current_umask());
}

bool copy_permissions(const std::string& model, std::FILE* file) {
  struct stat info {};
  if (::stat(model.c_str(), &info) != 0) return false;
  return ::fchmod(::fileno(file), info.st_mode & 0777) == 0;  // never set-id bits
}

std::string resolved_path(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string resolved = real;
  std::free(real);
  return resolved;
}

bool replace_file(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

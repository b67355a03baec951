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
  if (S_ISREG(info.st_mode)) return PathKind::regular;
  return S_ISDIR(info.st_mode) ? PathKind::folder : PathKind::other;
}

bool path_is_missing(const std::string& path) {
  struct stat info {};
  if (path.empty()) return true;
  if (::stat(path.c_str(), &info) == 0) return false;
  return errno == ENOENT || errno == ENOTDIR;
}

bool is_regular_file(const std::string& path) { return path_kind(path) == PathKind::regular; }

IoStatus readable_file_status(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) {
    if (errno == EACCES) return IoCode::kPermissionDenied;
    return IoCode::kNoSuchFile;
  }
  if (S_ISDIR(info.st_mode)) return IoCode::kIsDirectory;
  if (!S_ISREG(info.st_mode)) return IoCode::kNotRegularFile;
  if (::access(path.c_str(), R_OK) != 0 && errno == EACCES) return IoCode::kPermissionDenied;
  return IoCode::kOk;
}

SmallFileRead read_small_file(const std::string& path, std::size_t limit, std::string& text) {
  text.clear();
  // Non-blocking, so a pipe that appeared after the look cannot hang the open.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? SmallFileRead::missing
                                                         : SmallFileRead::unreadable;
  struct stat info {};
  SmallFileRead result = SmallFileRead::ok;
  if (::fstat(fd, &info) != 0) result = SmallFileRead::unreadable;
  else if (!S_ISREG(info.st_mode)) result = SmallFileRead::not_regular;
  else if (static_cast<std::uint64_t>(info.st_size) > limit) result = SmallFileRead::too_large;
  char block[65536];
  while (result == SmallFileRead::ok) {
    ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) result = SmallFileRead::unreadable;
    if (got <= 0) break;
    // A file that grows while it is read is held to the same limit.
    if (text.size() + static_cast<std::size_t>(got) > limit) result = SmallFileRead::too_large;
    else text.append(block, static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (result != SmallFileRead::ok) text.clear();
  return result;
}

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
  if (real != nullptr) {
    std::string resolved = real;
    std::free(real);
    return resolved;
  }
  // A link whose file does not exist yet still says where that file is to be.
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    char target[4096];
    ssize_t length = ::readlink(current.c_str(), target, sizeof target - 1);
    if (length < 0) return current;
    target[length] = '\0';
    std::size_t slash = current.find_last_of('/');
    current = target[0] == '/' || slash == std::string::npos
                  ? std::string(target)
                  : current.substr(0, slash + 1) + target;
  }
  return current;
}

std::size_t longest_name_in(const std::string& folder) {
  long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return longest > 0 ? static_cast<std::size_t>(longest) : 255;
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

#include "io/replacing_file.h"

#include <cerrno>

#include "io/file_system.h"

namespace {

// File systems take names of up to 255 bytes; the temporary name keeps within
// that for any target name that fits, so only the final move can find a name too long.
constexpr std::size_t kLongestNameInPrefix = 200;

}  // namespace

ReplacingFile::~ReplacingFile() { abandon(); }

std::FILE* ReplacingFile::open(const std::string& requested) {
  abandon();
  // A linked file (say a settings file kept in a dotfiles folder) is replaced
  // where it really lives, so the link survives.
  std::string target = resolved_path(requested);
  std::string folder = ".";
  std::string name = target;
  std::size_t slash = target.find_last_of('/');
  if (slash != std::string::npos) {
    folder = target.substr(0, slash + 1);
    name = target.substr(slash + 1);
  }
  if (name.empty()) {
    error_ = EISDIR;
    return nullptr;
  }
  file_ = create_unique_file(folder, "." + name.substr(0, kLongestNameInPrefix) + ".tmp", temporary_);
  error_ = file_ == nullptr ? errno : 0;
  if (file_ != nullptr) target_ = target;
  return file_;
}

bool ReplacingFile::commit() {
  if (file_ == nullptr) return false;
  errno = 0;
  bool written = std::ferror(file_) == 0 && flush_to_disk(file_);
  if (written) set_default_permissions(file_);
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  bool moved = written && closed && replace_file(temporary_, target_);
  if (!moved) {
    error_ = errno;
    remove_file(temporary_);
    temporary_.clear();
    return false;
  }
  temporary_.clear();
  return true;
}

void ReplacingFile::abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    remove_file(temporary_);
    temporary_.clear();
  }
}

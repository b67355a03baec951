#include "io/replacing_file.h"

#include <cerrno>

#include "io/file_system.h"
#include "io/interrupt_cleanup.h"

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
  if (path_kind(target) == PathKind::other) {
    file_ = std::fopen(target.c_str(), "wb");  // a folder fails here, as it should
    error_ = file_ == nullptr ? errno : 0;
    if (file_ != nullptr) target_ = target;
    return file_;
  }
  std::string folder = ".";
  std::string name = target;
  std::size_t slash = target.find_last_of(path_separators());
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
  if (file_ != nullptr) {
    target_ = target;
    interrupt_slot_ = remove_on_interrupt(temporary_);
  }
  return file_;
}

bool ReplacingFile::commit() {
  if (file_ == nullptr) return false;
  errno = 0;
  if (temporary_.empty()) {
    // Written through: a device or pipe has nothing to sync or rename.
    bool written = std::ferror(file_) == 0 && std::fflush(file_) == 0;
    if (!written) error_ = errno;
    bool closed = std::fclose(file_) == 0;
    if (written && !closed) error_ = errno;
    file_ = nullptr;
    return written && closed;
  }
  bool written = std::ferror(file_) == 0 && flush_to_disk(file_);
  if (written && !copy_permissions(target_, file_)) set_default_permissions(file_);
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed || !replace_file(temporary_, target_)) {
    error_ = errno;
    drop_temporary();
    return false;
  }
  forget_on_interrupt(interrupt_slot_);
  interrupt_slot_ = -1;
  temporary_.clear();
  return true;
}

void ReplacingFile::abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  drop_temporary();
}

void ReplacingFile::drop_temporary() {
  if (!temporary_.empty()) remove_file(temporary_);
  forget_on_interrupt(interrupt_slot_);
  interrupt_slot_ = -1;
  temporary_.clear();
}

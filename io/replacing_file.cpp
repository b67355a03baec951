#include "io/replacing_file.h"

#include <cerrno>

#include "io/file_system.h"
#include "io/interrupt_cleanup.h"

namespace {

// File systems take names of up to 255 bytes; the temporary name keeps within
// that for any target name that fits.
constexpr std::size_t kLongestNameInPrefix = 200;

}  // namespace

ReplacingFile::~ReplacingFile() { abandon(); }

IoStatus ReplacingFile::failure() const {
  if (error_ == EEXIST && !replace_existing_) return IoCode::kOutputExists;
  return IoStatus(IoCode::kCannotWrite, error_);
}

std::FILE* ReplacingFile::open(const std::string& requested, bool replace_existing) {
  abandon();
  replace_existing_ = replace_existing;
  // A linked file (say a settings file kept in a dotfiles folder) is written
  // where it really lives, so the link survives; so is a link to a file not yet there.
  std::string target = resolved_path(requested);
  PathKind kind = path_kind(target);
  if (kind == PathKind::folder) {  // named for what it is on every system
    error_ = EISDIR;
    return nullptr;
  }
  if (kind == PathKind::other) {
    file_ = std::fopen(target.c_str(), "wb");
    error_ = file_ == nullptr ? errno : 0;
    if (file_ != nullptr) target_ = target, write_through_ = true;
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
  // Found now rather than when the finished file is named.
  if (name.size() > longest_name_in(folder)) {
    error_ = ENAMETOOLONG;
    return nullptr;
  }
  bool unsupported = false;
  file_ = create_unnamed_file(folder, unsupported);
  unnamed_ = file_ != nullptr;
  if (file_ == nullptr && unsupported) {
    file_ = create_unique_file(folder, "." + name.substr(0, kLongestNameInPrefix) + ".tmp",
                               temporary_);
    if (file_ != nullptr) interrupt_slot_ = remove_on_interrupt(temporary_);
  }
  error_ = file_ == nullptr ? errno : 0;
  if (file_ != nullptr) target_ = target;
  return file_;
}

bool ReplacingFile::give_name() {
  if (unnamed_) return name_unnamed_file(file_, target_, replace_existing_);
  return move_file(temporary_, target_, replace_existing_);
}

bool ReplacingFile::commit() {
  if (file_ == nullptr) return false;
  errno = 0;
  if (write_through_) {
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
  // An unnamed file is named through its open descriptor, so it closes afterwards.
  bool named = written && give_name();
  if (!named) error_ = errno;
  bool closed = std::fclose(file_) == 0;
  if (named && !closed) error_ = errno;
  file_ = nullptr;
  if (!named || !closed) {
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
  unnamed_ = write_through_ = false;
}

void ReplacingFile::drop_temporary() {
  if (!temporary_.empty()) remove_file(temporary_);
  forget_on_interrupt(interrupt_slot_);
  interrupt_slot_ = -1;
  temporary_.clear();
}

#include "io/replacing_file.h"

#include "io/file_system.h"

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
  if (name.empty()) return nullptr;
  file_ = create_unique_file(folder, "." + name + ".tmp", temporary_);
  if (file_ != nullptr) target_ = target;
  return file_;
}

bool ReplacingFile::commit() {
  if (file_ == nullptr) return false;
  bool written = std::ferror(file_) == 0 && flush_to_disk(file_);
  if (written) set_default_permissions(file_);
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed || !replace_file(temporary_, target_)) {
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

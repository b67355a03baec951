#pragma once
// Writes a file so that readers see either the old content or the complete new
// one: the bytes go to a hidden temporary file beside the target, which is moved
// over the target only after a complete, flushed write. A target that exists and
// is not a regular file (a device such as /dev/null, a named pipe) is written
// through in place instead: it cannot be replaced without breaking what it is.
#include <cstdio>
#include <string>

#include "io/io_status.h"

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();  // abandons an uncommitted file

  // nullptr when the file cannot be created or opened (e.g. missing folder).
  std::FILE* open(const std::string& target);
  // Flushes, syncs and moves the file into place; false (and nothing changed) on
  // failure. An existing target's permissions carry over to its replacement.
  bool commit();
  void abandon();
  // After a failed open or commit: kCannotWrite with the system's reason.
  IoStatus failure() const { return IoStatus(IoCode::kCannotWrite, error_); }

 private:
  std::string target_;
  std::string temporary_;  // empty when writing through the target itself
  std::FILE* file_ = nullptr;
  int error_ = 0;
  int interrupt_slot_ = -1;
  void drop_temporary();
};

#pragma once
// Writes a file so that readers see either the old content or the complete new
// one: the bytes go to a hidden temporary file beside the target, which is moved
// over the target only after a complete, flushed write.
#include <cstdio>
#include <string>

#include "io/io_status.h"

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();  // abandons an uncommitted file

  // nullptr when the temporary file cannot be created (e.g. missing folder).
  std::FILE* open(const std::string& target);
  // Flushes, syncs and moves the file into place; false (and nothing changed) on failure.
  bool commit();
  void abandon();
  // After a failed open or commit: kCannotWrite with the system's reason.
  IoStatus failure() const { return IoStatus(IoCode::kCannotWrite, error_); }

 private:
  std::string target_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  int error_ = 0;
};

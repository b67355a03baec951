#pragma once
// Writes a file so that readers see either the old content or the complete new
// one: the bytes go to a file without a name in the target's folder (where the
// file system allows; elsewhere a hidden temporary file removed on any
// terminating signal), which takes the target's name only after a complete,
// flushed write. A target that exists and is not a regular file (a device such
// as /dev/null, a named pipe) is written through in place instead: it cannot be
// replaced without breaking what it is.
#include <cstdio>
#include <string>

#include "io/io_status.h"

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();  // abandons an uncommitted file

  // nullptr when the file cannot be created or opened (e.g. missing folder, a
  // name too long). With `replace_existing` false, a target that exists when the
  // file is committed is left alone and the commit fails with kOutputExists.
  std::FILE* open(const std::string& target, bool replace_existing = true);
  // Flushes, syncs and gives the file its name; false (and nothing changed) on
  // failure. An existing target's permissions carry over to its replacement.
  bool commit();
  void abandon();
  std::FILE* file() const { return file_; }
  // After a failed open or commit: kCannotWrite (or kOutputExists) with the system's reason.
  IoStatus failure() const;

 private:
  std::string target_;
  std::string temporary_;  // the hidden file's name, when the system gave no unnamed file
  std::FILE* file_ = nullptr;
  bool unnamed_ = false;
  bool write_through_ = false;
  bool replace_existing_ = true;
  int error_ = 0;
  int interrupt_slot_ = -1;
  void drop_temporary();
  bool give_name();
};

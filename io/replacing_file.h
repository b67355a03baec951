#pragma once
// Writes a file so that readers see either the old content or the complete new
// one: the bytes go to a hidden temporary file beside the target, which is moved
// over the target only after a complete, flushed write.
#include <cstdio>
#include <string>

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

 private:
  std::string target_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
};

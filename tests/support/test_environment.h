#pragma once
// Environment variables for tests, the same calls on every platform. Windows
// holds no empty variable, so an empty value removes the variable everywhere.
#include <string>

void set_variable(const std::string& name, const std::string& value);
void unset_variable(const std::string& name);

// Points the system's temporary folder (TMPDIR here, TMP and TEMP on Windows)
// at `folder` while it lives; the earlier values come back afterwards.
class TemporaryFolderOverride {
 public:
  explicit TemporaryFolderOverride(const std::string& folder);
  ~TemporaryFolderOverride();
  TemporaryFolderOverride(const TemporaryFolderOverride&) = delete;
  TemporaryFolderOverride& operator=(const TemporaryFolderOverride&) = delete;

 private:
  std::string earlier_[3];
};

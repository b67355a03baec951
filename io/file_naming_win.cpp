// Windows: no file can exist without a name, so the replacing file writes a
// hidden temporary beside the target (removed on Ctrl+C) and moves it over the
// target in one step.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "io/file_system.h"
#include "io/win32_errno.h"

std::FILE* create_unnamed_file(const std::string&, bool& unsupported) {
  unsupported = true;
  errno = ENOSYS;
  return nullptr;
}

bool name_unnamed_file(std::FILE*, const std::string&, bool) {
  errno = ENOSYS;  // never reached: create_unnamed_file gives no file here
  return false;
}

bool move_file(const std::string& from, const std::string& to, bool replace) {
  // ReplaceFileA keeps an existing target's attributes and access rights; a
  // target not there yet (or one it refuses) is moved over in one step.
  if (replace && path_kind(to) == PathKind::regular &&
      ReplaceFileA(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                   nullptr))
    return true;
  DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (MoveFileExA(from.c_str(), to.c_str(), flags)) return true;
  set_errno_from_last_error();
  return false;
}

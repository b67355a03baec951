// Windows stand-ins for the file services added to Linux lately, until their
// full Windows twins arrive: plain named files instead of unnamed ones, and
// no decoding of non-PNG bytes held in memory (clipboard images other than PNG).
#include <windows.h>

#include <cerrno>

#include "io/decode/format_decoders.h"
#include "io/file_system.h"
#include "io/image_decode.h"

IoStatus readable_file_status(const std::string& path) {
  DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_ACCESS_DENIED ? IoCode::kPermissionDenied : IoCode::kNoSuchFile;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return IoCode::kIsDirectory;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return IoCode::kNotRegularFile;
  return IoCode::kOk;
}

// Callers then write a hidden named file and move it into place.
std::FILE* create_unnamed_file(const std::string&, bool& unsupported) {
  unsupported = true;
  return nullptr;
}

bool name_unnamed_file(std::FILE*, const std::string&, bool) {
  errno = ENOSYS;
  return false;
}

bool move_file(const std::string& from, const std::string& to, bool replace) {
  DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (MoveFileExA(from.c_str(), to.c_str(), flags)) return true;
  DWORD error = GetLastError();
  errno = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST : EACCES;
  return false;
}

std::size_t longest_name_in(const std::string&) { return 255; }

IoStatus decode_bytes_with_platform(const std::vector<std::uint8_t>&, DecodedImage&) { return IoCode::kUnrecognised; }

// Regular files only: a device or pipe name is refused before it is opened.
SmallFileRead read_small_file(const std::string& path, std::size_t limit, std::string& text) {
  text.clear();
  DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SmallFileRead::missing
                                                                          : SmallFileRead::unreadable;
  }
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return SmallFileRead::not_regular;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return SmallFileRead::unreadable;
  SmallFileRead result = GetFileType(file) == FILE_TYPE_DISK ? SmallFileRead::ok : SmallFileRead::not_regular;
  char block[65536];
  while (result == SmallFileRead::ok) {
    DWORD got = 0;
    if (!ReadFile(file, block, sizeof block, &got, nullptr)) result = SmallFileRead::unreadable;
    if (got == 0) break;
    if (text.size() + got > limit) result = SmallFileRead::too_large;
    else text.append(block, got);
  }
  CloseHandle(file);
  if (result != SmallFileRead::ok) text.clear();
  return result;
}

bool is_heif_content(const std::uint8_t*, std::size_t) { return false; }
bool probe_heif_file(const std::string&, std::uint32_t&, std::uint32_t&) { return false; }

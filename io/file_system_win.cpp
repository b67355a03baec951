// Windows implementation of the file services. Narrow paths are UTF-8, the
// process code page the executable's manifest sets, so the -A functions take
// them as they are.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "io/file_system.h"
#include "io/win32_errno.h"

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

DWORD attributes_of(const std::string& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
}

HANDLE open_for_reading(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

const char* path_separators() { return "/\\"; }

PathKind path_kind(const std::string& path) {
  DWORD attributes = attributes_of(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::missing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::folder;
  return (attributes & FILE_ATTRIBUTE_DEVICE) == 0 ? PathKind::regular : PathKind::other;
}

bool path_is_missing(const std::string& path) {
  if (attributes_of(path) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD error = GetLastError();
  return path.empty() || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_INVALID_DRIVE;
}

bool is_regular_file(const std::string& path) { return path_kind(path) == PathKind::regular; }

IoStatus readable_file_status(const std::string& path) {
  DWORD attributes = attributes_of(path);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_ACCESS_DENIED ? IoCode::kPermissionDenied : IoCode::kNoSuchFile;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return IoCode::kIsDirectory;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return IoCode::kNotRegularFile;
  HANDLE handle = open_for_reading(path);
  if (handle == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_ACCESS_DENIED ? IoCode::kPermissionDenied : IoCode::kNoSuchFile;
  bool disk = GetFileType(handle) == FILE_TYPE_DISK;
  CloseHandle(handle);
  return disk ? IoCode::kOk : IoCode::kNotRegularFile;
}

SmallFileRead read_small_file(const std::string& path, std::size_t limit, std::string& text) {
  text.clear();
  DWORD attributes = attributes_of(path);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_ACCESS_DENIED ? SmallFileRead::unreadable : SmallFileRead::missing;
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return SmallFileRead::not_regular;
  HANDLE handle = open_for_reading(path);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SmallFileRead::missing
                                                                          : SmallFileRead::unreadable;
  }
  // Only a disk file is read: a pipe or console that took the name could block.
  SmallFileRead result = SmallFileRead::ok;
  LARGE_INTEGER size{};
  if (GetFileType(handle) != FILE_TYPE_DISK) result = SmallFileRead::not_regular;
  else if (!GetFileSizeEx(handle, &size)) result = SmallFileRead::unreadable;
  else if (static_cast<std::uint64_t>(size.QuadPart) > limit) result = SmallFileRead::too_large;
  char block[65536];
  while (result == SmallFileRead::ok) {
    DWORD got = 0;
    if (!ReadFile(handle, block, sizeof block, &got, nullptr)) result = SmallFileRead::unreadable;
    if (result != SmallFileRead::ok || got == 0) break;
    // A file that grows while it is read is held to the same limit.
    if (text.size() + got > limit) result = SmallFileRead::too_large;
    else text.append(block, got);
  }
  CloseHandle(handle);
  if (result != SmallFileRead::ok) text.clear();
  return result;
}

bool make_directories(const std::string& path) {
  if (path.empty()) return false;
  for (std::size_t at = 0; at <= path.size(); ++at) {
    if (at < path.size() && !is_separator(path[at])) continue;
    std::string partial = path.substr(0, at);
    // "C:" and "\\server\share" need no creating; failures show in the final check.
    if (!partial.empty() && partial.back() != ':' && !is_separator(partial.back()))
      CreateDirectoryA(partial.c_str(), nullptr);
  }
  DWORD attributes = attributes_of(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::uint64_t available_memory_bytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return UINT64_MAX;
  return status.ullAvailPhys;
}

std::string temporary_folder() {
  char buffer[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof buffer, buffer);
  if (length == 0 || length > MAX_PATH) return ".";
  std::string folder(buffer, length);
  while (folder.size() > 1 && is_separator(folder.back()) && folder[folder.size() - 2] != ':')
    folder.pop_back();
  return folder;
}

std::FILE* create_unique_file(const std::string& folder, const std::string& name_prefix,
                              std::string& created_path, const std::string& name_suffix) {
  static std::atomic<std::uint32_t> counter{0};
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string base = folder;
  if (!base.empty() && !is_separator(base.back())) base += '\\';
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  std::uint64_t seed = static_cast<std::uint64_t>(now.QuadPart) ^
                       (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t bits = (seed + counter.fetch_add(1)) * 0x9E3779B97F4A7C15ull;
    std::string name = base + name_prefix;
    for (int i = 0; i < 6; ++i, bits /= 36) name += kLetters[bits % 36];
    name += name_suffix;
    // Shared for deleting, so the interrupt handler can remove it while it is open.
    HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      set_errno_from_last_error();
      return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "w+b");
    if (file == nullptr) {
      if (fd < 0) CloseHandle(handle); else _close(fd);
      DeleteFileA(name.c_str());
      errno = EMFILE;
      return nullptr;
    }
    created_path = name;
    return file;
  }
  errno = EEXIST;
  return nullptr;
}

bool flush_to_disk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
    set_errno_from_last_error();
    return false;
  }
  return true;
}

// A new file takes its folder's inherited access rights; ReplaceFileA keeps
// those of a file it replaces. Nothing to set by hand.
void set_default_permissions(std::FILE*) {}

bool copy_permissions(const std::string& model, std::FILE*) {
  return attributes_of(model) != INVALID_FILE_ATTRIBUTES;
}

std::string resolved_path(const std::string& path) {
  HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  char buffer[32768];
  DWORD length = GetFinalPathNameByHandleA(handle, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
  CloseHandle(handle);
  if (length == 0 || length >= sizeof buffer) return path;
  std::string resolved(buffer, length);
  // "\\?\C:\..." becomes "C:\..."; "\\?\UNC\server\..." becomes "\\server\...".
  if (resolved.rfind("\\\\?\\UNC\\", 0) == 0) return "\\" + resolved.substr(7);
  if (resolved.rfind("\\\\?\\", 0) == 0) return resolved.substr(4);
  return resolved;
}

std::size_t longest_name_in(const std::string& folder) {
  char root[MAX_PATH + 1];
  DWORD longest = 0;
  if (GetVolumePathNameA(folder.c_str(), root, sizeof root) &&
      GetVolumeInformationA(root, nullptr, 0, nullptr, &longest, nullptr, nullptr, 0) && longest > 0)
    return longest;
  return 255;
}

bool remove_file(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

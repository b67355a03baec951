#pragma once
// The few operating-system file services the file formats need.
#include <cstdint>
#include <cstdio>
#include <string>

#include "io/io_status.h"

// The characters that end a folder's name in a path: "/" here, "/\\" on Windows.
const char* path_separators();

// True when `path` names an existing regular file (not a folder, device or pipe).
bool is_regular_file(const std::string& path);

// True when nothing at all exists at `path` (a missing file or folder on the way).
bool path_is_missing(const std::string& path);

// What sits at a path, links followed: nothing, a regular file, a folder, or
// anything else (device, pipe, socket).
enum class PathKind { missing, regular, folder, other };
PathKind path_kind(const std::string& path);

// Why `path` cannot be read as a file: kOk for a readable regular file, else
// kNoSuchFile, kIsDirectory, kNotRegularFile or kPermissionDenied.
IoStatus readable_file_status(const std::string& path);

// What reading a small file whole found.
enum class SmallFileRead { ok, missing, not_regular, too_large, unreadable };
// Reads all of `path` when it is a regular file of at most `limit` bytes; never
// blocks on a pipe or device, whatever the path turns into between look and read.
SmallFileRead read_small_file(const std::string& path, std::size_t limit, std::string& text);

// Creates `path` and any missing parent folders; true when the folder exists afterwards.
bool make_directories(const std::string& path);

// Bytes of memory a single allocation could reasonably get right now.
std::uint64_t available_memory_bytes();

// The folder for short-lived files: $TMPDIR when set, else /tmp.
std::string temporary_folder();

// A new, empty, uniquely named file in `folder`, open for writing and reading, its
// name ending in `name_suffix`. Returns nullptr on failure; `created_path` gets the file's name.
std::FILE* create_unique_file(const std::string& folder, const std::string& name_prefix,
                              std::string& created_path, const std::string& name_suffix = {});

// Pushes the file's written bytes to the disk; false when that fails.
bool flush_to_disk(std::FILE* file);

// Gives the file the permissions a plainly created file would get (0666 less the umask).
void set_default_permissions(std::FILE* file);

// Gives the file the permission bits of the file at `model`; false when `model` cannot be read.
bool copy_permissions(const std::string& model, std::FILE* file);

// The file a path finally names after following symbolic links, a link to a
// file not yet there included; the path itself when it is no link.
std::string resolved_path(const std::string& path);

// A file without a name in `folder`, open for writing and reading: if the process
// dies before it is named, nothing is left. nullptr on failure, with `unsupported`
// set when the system or the file system cannot make such files (errno tells the rest).
std::FILE* create_unnamed_file(const std::string& folder, bool& unsupported);

// Gives a file from create_unnamed_file the name `target`; an existing target is
// replaced in one step when `replace`, else refused with errno EEXIST.
bool name_unnamed_file(std::FILE* file, const std::string& target, bool replace);

// Moves `from` to `to` in one step; an existing `to` is replaced when `replace`,
// else refused with errno EEXIST.
bool move_file(const std::string& from, const std::string& to, bool replace);

// The longest file name `folder` takes.
std::size_t longest_name_in(const std::string& folder);

bool remove_file(const std::string& path);

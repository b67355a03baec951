#pragma once
// A new, empty folder under the system's temporary folder, its name starting
// with `prefix`; empty when none could be made.
#include <string>

std::string make_scratch_folder(const std::string& prefix);

// A symbolic link at `link` to `target`; false where the system or the user's
// rights allow none (Windows without developer mode, some Wine versions).
bool make_symlink(const std::string& target, const std::string& link);

// A new folder at `path` that this process may not write into; false where
// that cannot be had (the superuser writes anywhere; Windows has no such bit
// for folders).
bool make_read_only_folder(const std::string& path);

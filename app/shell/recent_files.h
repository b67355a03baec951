#pragma once
// File > Open recent: most recent first, at most ten, no path twice.
#include <string>
#include <vector>

// Puts `path` at the front, dropping an entry that differs from it only in letter case.
void remember_recent(std::vector<std::string>& recent, const std::string& path);

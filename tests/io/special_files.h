#pragma once
// Names in `folder` (or the system's) that are neither missing nor regular files
// and that reading must not hang on: a link to an endless device and a pipe
// nobody writes on POSIX systems, the null device on Windows.
#include <string>
#include <vector>

#include "tests/io/io_test_support.h"

std::vector<std::string> special_files(const ScratchFolder& folder);

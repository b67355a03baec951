// The Windows build ships no codec libraries of its own to load.
#include "io/decode/shared_library.h"

void* open_shared_library(const char*) { return nullptr; }

void* find_library_symbol(void*, const char*) { return nullptr; }

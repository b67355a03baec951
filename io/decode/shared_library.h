#pragma once
// A library opened while the program runs rather than when it starts, for
// codecs few runs need: only the runs that use one pay for mapping it.
// Libraries stay open for the rest of the process.

// Null when the library is missing or this platform loads none.
void* open_shared_library(const char* name);
// Null when the library has no such symbol.
void* find_library_symbol(void* library, const char* symbol);

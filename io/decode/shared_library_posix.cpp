#include "io/decode/shared_library.h"

#include <dlfcn.h>

void* open_shared_library(const char* name) { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }

void* find_library_symbol(void* library, const char* symbol) {
  return library == nullptr ? nullptr : dlsym(library, symbol);
}

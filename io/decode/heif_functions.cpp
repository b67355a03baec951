#ifdef BQ_HAVE_HEIF
#include "io/decode/heif_functions.h"

#include "io/decode/shared_library.h"

bool bind_heif_functions(void* library, HeifFunctions& table) {
  bool complete = library != nullptr;
#define BQ_HEIF_BIND(name)                                                          \
  table.name = reinterpret_cast<decltype(table.name)>(find_library_symbol(library, #name)); \
  complete = complete && table.name != nullptr;
  BQ_HEIF_FUNCTIONS(BQ_HEIF_BIND)
#undef BQ_HEIF_BIND
  return complete;
}

const HeifFunctions* heif_functions() {
  static const HeifFunctions* const loaded = []() -> const HeifFunctions* {
    static HeifFunctions table;
    return bind_heif_functions(open_shared_library("libheif.so.1"), table) ? &table : nullptr;
  }();
  return loaded;
}
#endif

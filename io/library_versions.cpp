#include "io/library_versions.h"

#include <png.h>
#include <zlib.h>

const char* png_library_version() { return PNG_LIBPNG_VER_STRING; }

const char* zlib_library_version() { return ZLIB_VERSION; }

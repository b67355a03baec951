#pragma once
// The versions of the libraries that write PNG files, as built against, for the
// About window.
const char* png_library_version();
const char* zlib_library_version();

// libheif is loaded on first use: once per process, and a library that lacks
// a function gives no table rather than a call through a null pointer.
#include <gtest/gtest.h>

#include "io/decode/shared_library.h"

#if __has_include(<libheif/heif.h>)
#include "io/decode/heif_functions.h"

TEST(HeifFunctions, LoadedOnceAndRefusedWhenIncomplete) {
  const HeifFunctions* first = heif_functions();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(heif_functions(), first);
  EXPECT_NE(first->heif_decode_image, nullptr);
  EXPECT_NE(first->heif_image_release, nullptr);

  HeifFunctions table;
  EXPECT_FALSE(bind_heif_functions(nullptr, table));
  void* zlib = open_shared_library("libz.so.1");
  ASSERT_NE(zlib, nullptr);
  EXPECT_FALSE(bind_heif_functions(zlib, table));
}
#endif

TEST(SharedLibrary, MissingLibraryAndSymbolAreNull) {
  EXPECT_EQ(open_shared_library("libbq-no-such-library.so.7"), nullptr);
  void* zlib = open_shared_library("libz.so.1");
  ASSERT_NE(zlib, nullptr);
  EXPECT_NE(find_library_symbol(zlib, "deflate"), nullptr);
  EXPECT_EQ(find_library_symbol(zlib, "heif_context_alloc"), nullptr);
  EXPECT_EQ(find_library_symbol(nullptr, "deflate"), nullptr);
}

#pragma once
// The eight bytes every PNG file starts with.
#include <cstddef>
#include <cstring>

inline constexpr unsigned char kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

inline bool starts_with_png_signature(const unsigned char* bytes, std::size_t length) {
  return length >= sizeof kPngSignature && std::memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0;
}

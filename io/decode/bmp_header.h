#pragma once
// A BMP file's headers, read and checked before anything is decoded.
#include <cstddef>
#include <cstdint>

struct BmpHeader {
  std::uint32_t header_size = 0;  // 12 (OS/2), 16/64 (OS/2 2), 40, 52, 56, 108 or 124
  std::uint32_t pixel_offset = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;       // rows, whatever their order
  bool top_down = false;          // rows stored top row first (negative height)
  std::uint32_t bits = 0;         // 1, 4, 8, 16, 24 or 32
  std::uint32_t compression = 0;  // kBmpRgb, kBmpRle8, kBmpRle4, kBmpBitfields or kBmpAlphaBitfields
  std::uint32_t palette_entries = 0;  // colours used; 0 means 2^bits
};

inline constexpr std::uint32_t kBmpRgb = 0, kBmpRle8 = 1, kBmpRle4 = 2, kBmpBitfields = 3,
                               kBmpAlphaBitfields = 6;

// False when the bytes are not a valid BMP: an unknown header size, bit depth or
// compression, a compression that does not go with the depth, a size of zero or
// below, pixel data outside the file.
bool read_bmp_header(const std::uint8_t* bytes, std::size_t size, BmpHeader& header);

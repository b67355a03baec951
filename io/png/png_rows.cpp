// How an indexed PNG stores its rows and palette.
#include "io/png/png_rows.h"

#include <algorithm>
#include <cstddef>

std::uint32_t palette_bit_depth(std::uint32_t palette_size) {
  if (palette_size <= 2) return 1;
  if (palette_size <= 4) return 2;
  if (palette_size <= 16) return 4;
  return 8;
}

std::uint32_t transparency_count(const std::uint8_t* palette, std::uint32_t palette_size) {
  for (std::uint32_t i = palette_size; i > 0; --i) {
    if (palette[(i - 1) * 4 + 3] != 255) return i;
  }
  return 0;
}

void pack_index_row(const std::uint8_t* indices, std::uint32_t width, std::uint32_t depth,
                    std::uint8_t* packed) {
  if (depth == 8) {
    std::copy(indices, indices + width, packed);
    return;
  }
  std::uint32_t per_byte = 8 / depth;
  std::uint32_t mask = (1u << depth) - 1;
  std::fill(packed, packed + (std::size_t{width} * depth + 7) / 8, 0);
  for (std::uint32_t j = 0; j < width; ++j) {
    std::uint32_t shift = 8 - depth * (j % per_byte + 1);
    // The mask keeps a stray index from spilling into its neighbours.
    packed[j / per_byte] |= static_cast<std::uint8_t>((indices[j] & mask) << shift);
  }
}

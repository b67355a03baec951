#pragma once
// How an indexed PNG stores its rows and palette.
#include <cstdint>

// 1 or 2 colours -> 1 bit, 3-4 -> 2, 5-16 -> 4, more -> 8.
std::uint32_t palette_bit_depth(std::uint32_t palette_size);

// 1 + the highest index whose alpha is not 255, 0 when all are opaque.
std::uint32_t transparency_count(const std::uint8_t* palette, std::uint32_t palette_size);

// Packs one row of indices, first pixel in the most significant bits.
void pack_index_row(const std::uint8_t* indices, std::uint32_t width, std::uint32_t depth,
                    std::uint8_t* packed);

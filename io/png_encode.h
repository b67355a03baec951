#pragma once
// Row-level helpers shared by the PNG writers.
#include <cstdint>

// 1 + the highest index whose alpha is not 255, 0 when all are opaque.
std::uint32_t transparency_count(const std::uint8_t* palette, std::uint32_t palette_size);

// Packs one row of indices, first pixel in the most significant bits.
void pack_index_row(const std::uint8_t* indices, std::uint32_t width, std::uint32_t depth,
                    std::uint8_t* packed);

#pragma once
// An RGBA pixel as one 32-bit word, R in the low byte and A in the high byte.
#include <cstdint>

inline std::uint32_t pixel_word(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

#pragma once
// The fixed-order integers of file formats, read from and written to byte buffers.
#include <cstdint>

inline std::uint32_t big_endian_u32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

inline std::uint32_t little_endian_u32(const std::uint8_t* p) {
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

inline std::uint16_t little_endian_u16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline void put_little_endian_u16(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void put_little_endian_u32(std::uint8_t* p, std::uint32_t value) {
  put_little_endian_u16(p, value & 0xFFFF);
  put_little_endian_u16(p + 2, value >> 16);
}

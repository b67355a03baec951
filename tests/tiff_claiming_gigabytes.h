#pragma once
// 422 bytes: a little-endian TIFF whose directory claims 46000 x 46000 8-bit grey
// pixels in one uncompressed strip of 300 bytes at offset 122.
#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> tiff_claiming_gigabytes() {
  std::vector<std::uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
  const std::uint32_t entries[9][3] = {{256, 4, 46000}, {257, 4, 46000}, {258, 3, 8},
                                       {259, 3, 1},     {262, 3, 1},     {273, 4, 122},
                                       {277, 3, 1},     {278, 4, 46000}, {279, 4, 300}};
  auto put32 = [&](std::uint32_t v) {
    tiff.insert(tiff.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
  };
  for (const auto& entry : entries) {
    put32(entry[0] | entry[1] << 16);  // tag, type
    put32(1);                          // one value, held in the entry
    put32(entry[2]);
  }
  put32(0);  // no further directory
  tiff.resize(422, 0x80);
  return tiff;
}

#pragma once
// The 64 x 64 blue-noise threshold table: ranks of a blue-noise texture,
// each byte value 0..255 used exactly 16 times. Generated offline by
// tools/make_blue_noise.cpp.
#include <cstdint>

inline constexpr int kBlueNoiseSize = 64;

extern const std::uint8_t kBlueNoiseTable[kBlueNoiseSize * kBlueNoiseSize];

// Threshold in -0.498046875..+0.498046875 at column x, row y, tiled from the
// image's top-left pixel.
inline double blue_noise_mask_value(std::uint32_t x, std::uint32_t y) {
  return (kBlueNoiseTable[(y % kBlueNoiseSize) * kBlueNoiseSize + x % kBlueNoiseSize] + 0.5) /
             256.0 -
         0.5;
}

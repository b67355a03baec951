#pragma once
// The 8 x 8 ordered-dither (Bayer) matrix and its threshold per pixel.
#include <array>
#include <cstdint>

inline constexpr int kBayerSize = 8;

using BayerMatrix = std::array<std::array<std::uint8_t, kBayerSize>, kBayerSize>;

// Built by doubling: M(1) = [0]; M(2n) = [4M, 4M + 2; 4M + 3, 4M + 1].
constexpr BayerMatrix make_bayer_matrix() {
  BayerMatrix m{};
  for (int n = 1; n < kBayerSize; n *= 2) {
    BayerMatrix next{};
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        int v = 4 * m[y][x];
        next[y][x] = static_cast<std::uint8_t>(v);
        next[y][x + n] = static_cast<std::uint8_t>(v + 2);
        next[y + n][x] = static_cast<std::uint8_t>(v + 3);
        next[y + n][x + n] = static_cast<std::uint8_t>(v + 1);
      }
    m = next;
  }
  return m;
}

inline constexpr BayerMatrix kBayerMatrix = make_bayer_matrix();

// Threshold in -0.4921875..+0.4921875 at column x, row y, tiled from the
// image's top-left pixel.
inline double bayer_mask_value(std::uint32_t x, std::uint32_t y) {
  return (kBayerMatrix[y % kBayerSize][x % kBayerSize] + 0.5) / 64.0 - 0.5;
}

#pragma once
// Synthetic RGBA pictures for the engine's tests.
#include <cstdint>
#include <vector>

#include "engine/quantize.h"

namespace test_images {

// Smooth colour gradients with a soft alpha ramp in the lower rows.
inline std::vector<std::uint8_t> gradient(std::uint32_t w, std::uint32_t h, bool with_alpha) {
  std::vector<std::uint8_t> px(4 * static_cast<std::size_t>(w) * h);
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x) {
      std::uint8_t* p = &px[4 * (static_cast<std::size_t>(y) * w + x)];
      p[0] = static_cast<std::uint8_t>(255 * x / (w - 1));
      p[1] = static_cast<std::uint8_t>(255 * y / (h - 1));
      p[2] = static_cast<std::uint8_t>((x * 7 + y * 3) & 255);
      p[3] = with_alpha && y > h / 2 ? static_cast<std::uint8_t>(255 * (h - 1 - y) / (h / 2))
                                     : 255;
    }
  return px;
}

// Mostly black, with blocks of the next five greys (which the working space
// packs closer than half a byte step of lightness), a green block and a
// fully transparent corner whose colour bytes are not black.
inline std::vector<std::uint8_t> dark_greys(std::uint32_t w, std::uint32_t h) {
  std::vector<std::uint8_t> px(4 * std::size_t{w} * h);
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x) {
      std::uint8_t* p = &px[4 * (std::size_t{y} * w + x)];
      std::uint8_t g = static_cast<std::uint8_t>((x / 8 + y / 8) % 6);
      const bool green = x > 48 && y > 24;
      p[0] = p[2] = green ? 0 : g;
      p[1] = green ? 255 : g;
      p[3] = x < 4 && y < 4 ? 0 : 255;
      if (p[3] == 0) p[0] = 90;
    }
  return px;
}

struct Result {
  std::uint32_t status = 0;
  std::vector<std::uint8_t> indices;
  std::vector<std::uint8_t> palette = std::vector<std::uint8_t>(1024, 0xAB);
  std::vector<std::uint8_t> rgba;
  std::uint32_t size = 0;
  double error = 0.0;
  double gamma = 0.0;  // what the palette bytes are encoded for
  QuantizeReport report;
};

inline Result quantize(const std::vector<std::uint8_t>& px, std::uint32_t w, std::uint32_t h,
                       const QuantizerOptions& o, double gamma = 0.45454545454545453) {
  Result r;
  r.indices.assign(static_cast<std::size_t>(w) * h, 0xCD);
  r.rgba.assign(4 * static_cast<std::size_t>(w) * h, 0xCD);
  r.status = quantize_image(px.data(), w, h, gamma, &o, r.rgba.data(), r.indices.data(),
                            r.palette.data(), &r.size, &r.error, &r.gamma, &r.report);
  return r;
}

}  // namespace test_images

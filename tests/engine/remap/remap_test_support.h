#pragma once
// Images and settings for the remap tests.
#include <cstdint>
#include <vector>

#include "engine/engine_settings.h"
#include "engine/remap/remap_image.h"
#include "tests/engine/nearest/nearest_test_support.h"

// Default settings with another minimum opaque alpha.
inline EngineSettings opaque_from(double threshold) {
  EngineSettings s;
  s.min_opaque_alpha = threshold;
  return s;
}

struct TestImage {
  std::uint32_t width = 0, height = 0;
  std::vector<WorkColor> pixels;
  RemapImage view() const { return RemapImage{pixels.data(), width, height}; }
  WorkColor& at(std::uint32_t x, std::uint32_t y) { return pixels[std::size_t{y} * width + x]; }
};

inline TestImage filled_image(std::uint32_t width, std::uint32_t height, WorkColor c) {
  return TestImage{width, height, std::vector<WorkColor>(std::size_t{width} * height, c)};
}

// Smooth colour ramps with a little texture; every pixel opaque.
inline TestImage ramp_image(std::uint32_t width, std::uint32_t height, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  TestImage img = filled_image(width, height, opaque_grey(0));
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      img.at(x, y) = WorkColor{1.0, (x + 0.5) / width, 0.25 + 0.25 * y / height + uniform(rng, 0, 0.02),
                               0.3 + 0.4 * (x + y) / (width + height)};
  return img;
}

// n entries spread over the ramp's colours.
inline Palette ramp_palette(std::uint32_t n, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  Palette p;
  for (std::uint32_t i = 0; i < n; ++i)
    p.entries.push_back({WorkColor{1.0, uniform(rng, 0, 1), uniform(rng, 0.25, 0.52),
                                   uniform(rng, 0.3, 0.7)},
                         0.0, false});
  return p;
}

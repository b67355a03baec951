#pragma once
// A synthetic 1024 x 1024 picture in the working space and a 256-entry
// palette drawn from its own pixels, for the search and remap benchmarks.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/palette/palette.h"
#include "engine/colour/work_color.h"

struct BenchImage {
  std::uint32_t width = 1024, height = 1024;
  std::vector<WorkColor> pixels;
};

// Gradients, a colour wheel and fine texture, all opaque but a corner.
inline const BenchImage& bench_image() {
  static const BenchImage image = [] {
    BenchImage img;
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> grain(-8, 8);
    img.pixels.resize(std::size_t{img.width} * img.height);
    for (std::uint32_t y = 0; y < img.height; ++y)
      for (std::uint32_t x = 0; x < img.width; ++x) {
        double angle = std::atan2(y - 512.0, x - 512.0);
        double r = std::min(255.0, std::max(0.0, 128 + 120 * std::cos(angle) + grain(rng)));
        double g = std::min(255.0, std::max(0.0, 255.0 * y / img.height + grain(rng)));
        double b = std::min(255.0, std::max(0.0, 128 + 120 * std::sin(angle * 3 + x / 90.0)));
        std::uint8_t alpha = x < 64 && y < 64 ? static_cast<std::uint8_t>(x * 4) : 255;
        std::uint8_t rgba[4] = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                static_cast<std::uint8_t>(b), alpha};
        img.pixels[std::size_t{y} * img.width + x] = to_work_color(rgba, kDefaultGamma);
      }
    return img;
  }();
  return image;
}

inline Palette bench_palette(std::uint32_t n = 256) {
  const BenchImage& img = bench_image();
  std::mt19937_64 rng(12);
  Palette p;
  while (p.count() < n) {
    const WorkColor& c = img.pixels[rng() % img.pixels.size()];
    if (c.alpha >= 1.0) p.entries.push_back({c, 0.0, false});
  }
  return p;
}

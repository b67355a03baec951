#pragma once
#include <cstdint>
#include <vector>

#include "engine/colour/default_gamma.h"
// 8-bit RGBA pixels, rows top to bottom without gaps.
struct DecodedImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  double gamma = kDefaultGamma;        // encoding gamma; 1/2.2 unless the file says otherwise
  std::vector<std::uint8_t> pixels;    // width x height x 4
};

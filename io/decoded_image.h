#pragma once
#include <cstdint>
#include <vector>

#include "engine/colour/default_gamma.h"
#include "tamble/device_allocator.h"

// On the processor device, so that a batch run that gives the pixels back
// early hands their pages to its later stages.
using PixelBytes = tamble::device_bytes;

// 8-bit RGBA pixels, rows top to bottom without gaps.
struct DecodedImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  double gamma = kDefaultGamma;        // encoding gamma; 1/2.2 unless the file says otherwise
  PixelBytes pixels;                   // width x height x 4
};

#pragma once
#include <cstdint>
#include <vector>

#include "engine/colour/default_gamma.h"
#include "tamble/device_allocator.h"

// Image as the pipeline sees it.
struct ImageDesc {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  double gamma = kDefaultGamma;
  std::vector<std::uint8_t*> rows;  // pointers to 4-byte RGBA pixels
};

// The pipeline's result.
struct QuantizedImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  // The palette bytes are encoded for this gamma, whatever the input's gamma.
  double output_gamma = kDefaultGamma;
  std::vector<std::uint8_t*> index_rows;
  // On the processor device, so that pages earlier stages freed serve it.
  tamble::device_bytes indices;  // one byte per pixel, row-major
  std::uint32_t palette_size = 0;
  std::uint32_t transparent_count = 0;  // entries below this index carry an alpha
  std::uint8_t palette_rgb[256][3] = {};
  std::uint8_t palette_alpha[256] = {};
  // Set before the quality check, so a refused run tells what it reached.
  double palette_error = -1.0;
  std::uint32_t palette_colors = 0;
};

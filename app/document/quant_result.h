#pragma once
// What one worker run publishes; the reference comparison fills a record of
// the same shape.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/palette_capacity.h"
#include "io/decoded_image.h"

struct QuantResult {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  double gamma = 0.0;
  PixelBytes rgba;                    // width x height x 4
  std::vector<std::uint8_t> indices;  // width x height
  // The Difference view's picture, |source - result| x gain, made by the worker so
  // the frame that takes a large result stays short; empty when not made.
  std::vector<std::uint8_t> difference;
  std::array<std::uint8_t, kPaletteCapacity * 4> palette{};  // RGBA entries, zero past the count
  std::uint32_t palette_count = 0;
  double seconds = 0.0;        // wall time of the engine call
  std::uint64_t png_size = 0;  // bytes as an indexed PNG; 0 until measured
  double rmse = 0.0;           // 0..1 scale, composited over white
  double psnr = 0.0;           // dB; 99 when identical
  std::uint32_t quality = 0;   // 0..100, what the palette reached (engine/quality_scale.h)
  bool indices_available = false;
  bool ok = false;
};

// A run refused because no palette reached the quality target's minimum; the
// result before it stays in place.
struct QualityRefusal {
  bool refused = false;
  std::uint32_t best = 0;  // the quality the best palette reached
};

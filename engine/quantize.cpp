// Placeholder entry: validates, then maps every pixel to the first pixel's colour.
#include "engine/quantize.h"

#include <cstring>

std::uint32_t quantize_image(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                             double, const QuantizerOptions* options, std::uint8_t* out_rgba,
                             std::uint8_t* out_indices, std::uint8_t* out_palette,
                             std::uint32_t* out_palette_size, double* out_error) {
  if (!pixels || !options || width == 0 || height == 0) return kQuantizeBadArguments;
  std::size_t n = static_cast<std::size_t>(width) * height;
  if (out_indices) std::memset(out_indices, 0, n);
  if (out_rgba)
    for (std::size_t i = 0; i < n; ++i) std::memcpy(out_rgba + 4 * i, pixels, 4);
  if (out_palette) {
    std::memset(out_palette, 0, 1024);
    std::memcpy(out_palette, pixels, 4);
  }
  if (out_palette_size) *out_palette_size = 1;
  if (out_error) *out_error = -1.0;
  return kQuantizeOk;
}

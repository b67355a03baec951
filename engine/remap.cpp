// Placeholder remaps: nearest entry per pixel, no dithering.
#include "engine/remap.h"

#include "engine/nearest.h"

namespace {
void nearest_all(const RemapImage& image, const Palette& palette, double opaque_threshold,
                 std::uint8_t* output) {
  nearest_index index(nullptr, palette, opaque_threshold);
  std::size_t n = static_cast<std::size_t>(image.width) * image.height;
  for (std::size_t i = 0; i < n; ++i)
    output[i] = static_cast<std::uint8_t>(find_nearest(index, image.pixels[i]).index);
}
}  // namespace

double remap_plain(tamble::device*, const RemapImage& image, Palette& palette,
                   double opaque_threshold, std::uint8_t* output) {
  nearest_all(image, palette, opaque_threshold, output);
  return 0.0;
}

void damp_dither_map(tamble::device*, const std::uint8_t*, std::uint32_t, std::uint32_t, double*) {}

double dither_level(const double*, std::size_t, std::uint32_t, std::uint32_t) { return 0.0; }

void remap_diffused(tamble::device*, const RemapImage& image, const Palette& palette,
                    double opaque_threshold, const double*, bool, double, std::uint8_t* output) {
  nearest_all(image, palette, opaque_threshold, output);
}

// Placeholder: nearest entry per pixel.
#include "engine/remap_masked.h"

#include "engine/nearest.h"

void remap_masked(tamble::device*, const RemapImage& image, const Palette& palette,
                  double opaque_threshold, const double*, int, std::uint8_t* output) {
  nearest_index index(nullptr, palette, opaque_threshold);
  std::size_t n = static_cast<std::size_t>(image.width) * image.height;
  for (std::size_t i = 0; i < n; ++i)
    output[i] = static_cast<std::uint8_t>(find_nearest(index, image.pixels[i]).index);
}

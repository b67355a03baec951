#include "app/view/result_images.h"

#include <algorithm>

std::vector<std::uint8_t> result_rgba(const QuantResult& result) {
  std::size_t pixel_count = std::size_t{result.width} * result.height;
  if (result.rgba.size() >= pixel_count * 4 && !result.rgba.empty()) return {result.rgba.begin(), result.rgba.end()};
  if (!result.indices_available || result.indices.size() < pixel_count) return {};
  std::vector<std::uint8_t> rgba(pixel_count * 4);
  for (std::size_t i = 0; i < pixel_count; ++i) {
    std::uint32_t index = result.indices[i];
    if (index >= result.palette_count) index = 0;
    std::copy_n(result.palette.data() + index * 4, 4, rgba.data() + i * 4);
  }
  return rgba;
}

bool reference_showable(const QuantResult& reference) {
  return reference.ok && reference.width != 0 && reference.height != 0 &&
         reference.rgba.size() == std::size_t{reference.width} * reference.height * 4;
}

#include "app/view/pixel_readout.h"

#include <cstdio>

namespace {

void append_colour(std::string& text, const char* opaque_format, const char* alpha_format,
                   const std::uint8_t* rgba) {
  char buffer[64];
  if (rgba[3] == 255)
    std::snprintf(buffer, sizeof buffer, opaque_format, unsigned{rgba[0]}, unsigned{rgba[1]},
                  unsigned{rgba[2]});
  else
    std::snprintf(buffer, sizeof buffer, alpha_format, unsigned{rgba[0]}, unsigned{rgba[1]},
                  unsigned{rgba[2]}, unsigned{rgba[3]});
  text += buffer;
}

}  // namespace

PixelReadout pixel_readout(const PixelBytes& source, std::uint32_t width,
                           std::uint32_t height, const QuantResult& result, float dx, float dy,
                           float scale) {
  PixelReadout readout;
  if (!(dx >= 0.0f && dy >= 0.0f && dx < width * scale && scale > 0.0f)) return readout;
  long long x = static_cast<long long>(dx / scale);
  long long y = static_cast<long long>(dy / scale);
  if (x >= width || y >= height) return readout;
  std::size_t pixel = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x);
  if (source.size() < (pixel + 1) * 4) return readout;

  char position[48];
  std::snprintf(position, sizeof position, "%d, %d", static_cast<int>(x), static_cast<int>(y));
  readout.text = position;
  append_colour(readout.text, "   %u, %u, %u", "   %u, %u, %u, a%u", source.data() + pixel * 4);

  bool indices_cover = result.ok && result.palette_count > 0 && result.indices_available &&
                       result.width == width && result.height == height &&
                       result.indices.size() >= std::size_t{width} * height;
  if (indices_cover && result.indices[pixel] < result.palette_count) {
    unsigned index = result.indices[pixel];
    append_colour(readout.text, "  ->  %u, %u, %u", "  ->  %u, %u, %u, a%u",
                  result.palette.data() + index * 4);
    char entry[16];
    std::snprintf(entry, sizeof entry, "  [%u]", index);
    readout.text += entry;
    readout.palette_index = static_cast<int>(index);
  }
  return readout;
}

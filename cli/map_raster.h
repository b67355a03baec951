#pragma once
// A focus or dither map reduced to the one byte per pixel the engine reads.
#include <cstdint>
#include <vector>

#include "io/decoded_image.h"

struct MapRaster {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> values;  // width x height, row-major; empty when no map is used
  bool present() const { return !values.empty(); }
};

// The red bytes of a decoded map; an image without pixels gives no map.
MapRaster map_raster_from_red(const DecodedImage& image);

#include "cli/map_raster.h"

MapRaster map_raster_from_red(const DecodedImage& image) {
  MapRaster raster;
  std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  if (count == 0 || image.pixels.size() != count * 4) return raster;
  raster.width = image.width;
  raster.height = image.height;
  raster.values.resize(count);
  for (std::size_t i = 0; i < count; ++i) raster.values[i] = image.pixels[4 * i];
  return raster;
}

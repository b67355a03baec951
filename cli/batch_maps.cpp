#include "cli/batch_maps.h"

#include <cstdio>

#include "io/image_decode.h"
#include "io/image_probe.h"
#include "io/pixel_block.h"

bool BatchMap::decode() {
  DecodedImage image;
  IoStatus status = load_image_file(path_, image);
  if (!status.ok()) {
    std::fprintf(stderr, "cannot read %s %s: %s\n", what_, path_.c_str(), io_message(status).c_str());
    return false;
  }
  raster_ = map_raster_from_red(image);
  width_ = raster_.width;
  height_ = raster_.height;
  return true;
}

bool BatchMap::prepare() {
  if (!wanted()) return true;
  std::uint32_t width = 0, height = 0;
  if (!probe_image_size(path_, width, height)) return decode();
  IoStatus status = check_image_size(width, height);
  if (!status.ok()) {
    std::fprintf(stderr, "cannot read %s %s: %s\n", what_, path_.c_str(), io_message(status).c_str());
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

bool BatchMap::may_fit(std::uint32_t width, std::uint32_t height) const {
  return !wanted() || width_ == 0 || (width_ == width && height_ == height);
}

MapFit BatchMap::fit(const std::string& input, std::uint32_t width, std::uint32_t height) {
  if (!wanted()) return MapFit::fits;
  if (may_fit(width, height) && !raster_.present() && !decode()) return MapFit::unreadable;
  if (width_ == width && height_ == height) return MapFit::fits;
  std::fprintf(stderr, "%s: %s is %ux%u, image is %ux%u\n", input.c_str(), what_, width_, height_,
               width, height);
  return MapFit::other_size;
}

#pragma once
// The focus and dither maps of a run: each map's size is learned from its header
// first, and the map is decoded only once an input of that size needs it, so a
// map that fits no input costs nothing.
#include <cstdint>
#include <string>

#include "cli/map_raster.h"

enum class MapFit { fits, other_size, unreadable };

class BatchMap {
 public:
  BatchMap(const char* what, std::string path) : what_(what), path_(std::move(path)) {}
  bool wanted() const { return !path_.empty(); }
  // Reads the header (the whole map when the header tells nothing); false after
  // printing why the map cannot be used.
  bool prepare();
  // Whether the map suits an image of this size, decoding it on first need.
  // Prints the mismatch (naming `input`) or why the map could not be read.
  MapFit fit(const std::string& input, std::uint32_t width, std::uint32_t height);
  // Whether a map known by its header alone could suit the size; true while unknown.
  bool may_fit(std::uint32_t width, std::uint32_t height) const;
  const MapRaster& raster() const { return raster_; }

 private:
  const char* what_;
  std::string path_;
  std::uint32_t width_ = 0, height_ = 0;  // 0 until the header or the map tells
  MapRaster raster_;
  bool decode();
};

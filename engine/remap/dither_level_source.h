#pragma once
// The per-pixel dithering amount with the run's settings read once, for
// loops that ask for it at every pixel. dither_level() uses the same code.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/engine_settings.h"

// Edge value that stands in when a remap runs without an edge map.
inline constexpr double kNoEdgeMapLevel = 0.9;

class DitherLevelSource {
 public:
  DitherLevelSource(const double* edge_map, std::uint32_t width, std::uint32_t height,
                    const EngineSettings& settings)
      : edge_map_(edge_map),
        floor_(settings.dither_floor),
        strength_(settings.dither_strength),
        map_(settings.dither_map && settings.dither_width == width &&
                     settings.dither_height == height
                 ? settings.dither_map
                 : nullptr) {}

  // Uncapped level of pixel i.
  double at(std::size_t i) const {
    double m = edge_map_ ? edge_map_[i] : kNoEdgeMapLevel;
    double level = std::max(floor_, m) * strength_;
    if (map_) level = level * map_[i] / 128.0;
    return level;
  }

 private:
  const double* edge_map_;
  double floor_;
  double strength_;
  const std::uint8_t* map_;  // null when absent or not the image's size
};

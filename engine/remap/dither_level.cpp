#include "engine/remap/dither_level_source.h"
#include "engine/remap/dither_level.h"

double dither_level(const double* edge_map, std::size_t i, std::uint32_t width,
                    std::uint32_t height, const EngineSettings& settings) {
  return DitherLevelSource(edge_map, width, height, settings).at(i);
}

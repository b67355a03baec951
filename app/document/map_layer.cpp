#include "app/document/map_layer.h"

void MapLayer::reset(std::size_t pixel_count) {
  bytes.assign(pixel_count, rest);
  empty = true;
  ++version;
}

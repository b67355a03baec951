#pragma once
#include <cstdint>
#include <vector>

#include "engine/colour/work_color.h"

struct PaletteEntry {
  WorkColor color;
  double popularity = 0.0;
  bool fixed = false;  // a pinned or loaded colour that refinement must not move
};

struct Palette {
  std::vector<PaletteEntry> entries;
  std::uint32_t count() const { return static_cast<std::uint32_t>(entries.size()); }
};

#include "app/panels/palette_grid.h"

#include <algorithm>
#include <cmath>

#include "app/document/document.h"

PaletteGrid palette_grid(std::uint32_t entries, float available_width, float scale) {
  PaletteGrid grid;
  grid.cell = std::floor(16.0f * scale);
  grid.columns = static_cast<int>(std::floor(available_width / grid.cell));
  if (grid.columns < 2) grid.columns = 1;
  grid.rows = static_cast<int>((entries + grid.columns - 1) / grid.columns);
  grid.height = grid.rows * grid.cell + 4.0f;
  return grid;
}

bool loaded_palette_mode(const Document& document) {
  return !document.palette().empty() && document.use(UseFlag::palette);
}

std::uint32_t fixed_entry_count(const Document& document) {
  std::size_t fixed = loaded_palette_mode(document) ? document.palette().size()
                      : document.use(UseFlag::pins)          ? document.pins().size()
                                                   : 0;
  return static_cast<std::uint32_t>(std::min<std::size_t>(fixed, document.result().palette_count));
}

// Palette ordering for a short transparency chunk, and the bytes that are written.
#include <algorithm>

#include "engine/engine_log.h"
#include "engine/palette/palette_output.h"

namespace {
bool less_popular(const PaletteEntry& x, const PaletteEntry& y) {
  return x.popularity < y.popularity;
}
bool is_transparent(const PaletteEntry& e) { return e.color.alpha < 1.0; }
}  // namespace

void order_palette(QuantizedImage& out, Palette& palette, const EngineSettings& settings) {
  auto& entries = palette.entries;
  out.palette_size = palette.count();

  // Pins and fixed palettes keep their given order at the front.
  auto first_free = std::find_if(entries.begin(), entries.end(),
                                 [](const PaletteEntry& e) { return !e.fixed; });
  if (std::any_of(first_free, entries.end(), [](const PaletteEntry& e) { return e.fixed; }))
    std::stable_partition(entries.begin(), entries.end(),
                          [](const PaletteEntry& e) { return e.fixed; });
  auto free_begin = std::find_if(entries.begin(), entries.end(),
                                 [](const PaletteEntry& e) { return !e.fixed; });

  // Transparent entries first keep the transparency chunk short.
  engine_log(settings, "  eliminating opaque tRNS-chunk entries...");
  std::size_t transparent = 0;
  for (auto it = free_begin; it != entries.end(); ++it) {
    if (is_transparent(*it)) std::iter_swap(it, free_begin + transparent++);
  }
  std::stable_sort(free_begin, free_begin + transparent, less_popular);
  std::stable_sort(free_begin + transparent, entries.end(), less_popular);
  engine_log(settings, "%d entr%s transparent\n", static_cast<int>(transparent),
             transparent == 1 ? "y" : "ies");

  out.transparent_count = 0;
  for (std::size_t i = entries.size(); i > 0; --i) {
    if (is_transparent(entries[i - 1])) {
      out.transparent_count = static_cast<std::uint32_t>(i);
      break;
    }
  }
}

void palette_to_output(QuantizedImage& out, Palette& palette) {
  for (std::uint32_t i = 0; i < palette.count() && i < 256; ++i) {
    std::uint8_t bytes[4];
    to_rgba(palette.entries[i].color, out.output_gamma, bytes);
    out.palette_rgb[i][0] = bytes[0];
    out.palette_rgb[i][1] = bytes[1];
    out.palette_rgb[i][2] = bytes[2];
    out.palette_alpha[i] = bytes[3];
    // Dithering that follows works with exactly the colours that are written.
    palette.entries[i].color = to_work_color(bytes, out.output_gamma);
  }
}

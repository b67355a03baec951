#pragma once
// Small builders shared by the dithering tests.
#include <cstdint>
#include <vector>

#include "engine/engine_settings.h"
#include "tests/engine/engine_settings_guard.h"
#include "engine/palette/palette.h"
#include "engine/remap/remap_image.h"
#include "engine/dither/remap_masked.h"
#include "engine/colour/work_color.h"
#include "tamble/device.h"

// Level exactly `level` everywhere: the floor wins over the 0.9 used without an edge map.
inline void set_uniform_level(double level) {
  g_engine.dither_floor = 1.0;
  g_engine.dither_strength = level;
  g_engine.dither_map = nullptr;
  g_engine.dither_width = g_engine.dither_height = 0;
}

inline WorkColor grey(double L) { return WorkColor{1.0, L, kNeutralA, kNeutralB}; }

inline Palette palette_of(const std::vector<WorkColor>& colors) {
  Palette p;
  for (const WorkColor& c : colors) p.entries.push_back(PaletteEntry{c, 0.0, false});
  return p;
}

inline std::vector<std::uint8_t> run_masked(const std::vector<WorkColor>& pixels, std::uint32_t width,
                                            std::uint32_t height, const Palette& palette, DitherKind kind,
                                            const double* edge_map = nullptr) {
  std::vector<std::uint8_t> out(pixels.size(), 0xEE);
  remap_masked(tamble::get_cpu_device(), RemapImage{pixels.data(), width, height}, palette, 1.0,
               edge_map, kind, out.data());
  return out;
}

#pragma once
// Small builders shared by the dithering tests.
#include <cstdint>
#include <vector>

#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "engine/remap/remap_image.h"
#include "engine/dither/remap_masked.h"
#include "engine/colour/work_color.h"
#include "tamble/device.h"

// Level exactly `level` everywhere: the floor wins over the 0.9 used without an edge map.
inline void set_uniform_level(EngineSettings& s, double level) {
  s.dither_floor = 1.0;
  s.dither_strength = level;
  s.dither_map = nullptr;
  s.dither_width = s.dither_height = 0;
}

inline WorkColor grey(double L) { return WorkColor{1.0, L, kNeutralA, kNeutralB}; }

inline Palette palette_of(const std::vector<WorkColor>& colors) {
  Palette p;
  for (const WorkColor& c : colors) p.entries.push_back(PaletteEntry{c, 0.0, false});
  return p;
}

inline std::vector<std::uint8_t> run_masked(EngineSettings s, const std::vector<WorkColor>& pixels,
                                            std::uint32_t width, std::uint32_t height,
                                            const Palette& palette, DitherKind kind,
                                            const double* edge_map = nullptr) {
  std::vector<std::uint8_t> out(pixels.size(), 0xEE);
  s.dither = kind;
  remap_masked(tamble::get_cpu_device(), RemapImage{pixels.data(), width, height}, palette, s,
               edge_map, out.data());
  return out;
}

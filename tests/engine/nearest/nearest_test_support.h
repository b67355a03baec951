#pragma once
// Palettes, probes and a brute-force reference for the nearest-entry tests.
#include <cstdint>
#include <limits>
#include <random>

#include "engine/engine_settings.h"
#include "engine/nearest/nearest.h"
#include "engine/palette/palette.h"

inline Palette make_palette(std::initializer_list<WorkColor> colors) {
  Palette p;
  for (const WorkColor& c : colors) p.entries.push_back(PaletteEntry{c, 0.0, false});
  return p;
}

inline WorkColor opaque_grey(double L) { return WorkColor{1.0, L, kNeutralA, kNeutralB}; }

// Every entry, (distance, index) smallest first; with a guess its distance
// starts the race.
inline NearestMatch brute_force_nearest(const Palette& palette, const WorkColor& probe,
                                        double opaque_threshold, std::int64_t guess = -1,
                                        double guess_distance = 0.0,
                                        const ColorMetric& metric = {}) {
  NearestMatch best{1e20, std::numeric_limits<std::int64_t>::max()};
  if (guess >= 0) best = {guess_distance, guess};
  for (std::uint32_t i = 0; i < palette.count(); ++i) {
    const WorkColor& e = palette.entries[i].color;
    double d = color_difference(probe, e, metric);
    if (probe.alpha > opaque_threshold && e.alpha < 1.0) d += kTranslucentPenalty;
    if (d < best.distance || (d == best.distance && i < best.index)) best = {d, i};
  }
  return best;
}

// Scan levels this processor can run; the index reports the level it chose.
inline bool level_available(int level) {
  Palette p = make_palette({opaque_grey(0.5)});
  return nearest_index(nullptr, p, 1.0, ColorMetric{}, level).scan_level() == level;
}

inline double uniform(std::mt19937_64& rng, double lo, double hi) {
  return lo + (hi - lo) * (static_cast<double>(rng() >> 11) * 0x1.0p-53);
}

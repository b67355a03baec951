// Placeholder: a full scan over the palette.
#include "engine/nearest.h"

#include <limits>

#include "engine/engine_settings.h"
#include "tamble/runtime.h"

nearest_index::nearest_index(tamble::device* dev, const Palette& palette, double opaque_threshold) {
  build(dev, palette, opaque_threshold, 0);
}

nearest_index::nearest_index(tamble::device* dev, const Palette& palette, double opaque_threshold,
                             int level) {
  build(dev, palette, opaque_threshold, level);
}

void nearest_index::build(tamble::device* dev, const Palette& palette, double opaque_threshold,
                          int level) {
  count_ = palette.count();
  opaque_threshold_ = opaque_threshold;
  chroma_weight_ = g_engine.chroma_weight;
  scan_level_ = level;
  alpha_ = tamble::array<double>(dev, count_);
  L_ = tamble::array<double>(dev, count_);
  a_ = tamble::array<double>(dev, count_);
  b_ = tamble::array<double>(dev, count_);
  for (std::uint32_t i = 0; i < count_; ++i) {
    alpha_[i] = palette.entries[i].color.alpha;
    L_[i] = palette.entries[i].color.L;
    a_[i] = palette.entries[i].color.a;
    b_[i] = palette.entries[i].color.b;
  }
}

NearestMatch nearest_index::find(const WorkColor& probe, std::int64_t, double) const {
  NearestMatch best{1e20, std::numeric_limits<std::int64_t>::max()};
  for (std::uint32_t i = 0; i < count_; ++i) {
    WorkColor e{alpha_[i], L_[i], a_[i], b_[i]};
    double d = color_difference(probe, e, chroma_weight_);
    if (probe.alpha > opaque_threshold_ && alpha_[i] < 1.0) d += 0.0009765625;
    if (d < best.distance) best = {d, static_cast<std::int64_t>(i)};
  }
  return best;
}

// Placeholder: one box, the weighted mean of every item, then the pins.
#include "engine/median_cut.h"

#include "engine/engine_settings.h"

Palette median_cut(tamble::device*, Histogram& hist, double, std::uint32_t colours, double, double) {
  Palette pal;
  std::size_t p = g_engine.pins.size();
  if (p >= colours) {
    for (std::uint32_t i = 0; i < colours; ++i) pal.entries.push_back({g_engine.pins[i], 0.0, true});
    return pal;
  }
  WorkColor sum{0, 0, 0, 0};
  double w = 0;
  for (std::uint32_t i = 0; i < hist.count; ++i) {
    const HistogramItem& it = hist.items[i];
    sum.alpha += it.color.alpha * it.cut_weight;
    sum.L += it.color.L * it.cut_weight;
    sum.a += it.color.a * it.cut_weight;
    sum.b += it.color.b * it.cut_weight;
    w += it.cut_weight;
  }
  if (w == 0) w = 1;
  pal.entries.push_back({{sum.alpha / w, sum.L / w, sum.a / w, sum.b / w}, w, false});
  for (const WorkColor& c : g_engine.pins) pal.entries.push_back({c, 0.0, true});
  return pal;
}

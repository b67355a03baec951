#include "engine/dither/neighbour_lists.h"

#include <algorithm>

NeighbourLists build_neighbour_lists(const Palette& palette, const ColorMetric& metric) {
  NeighbourLists lists;
  std::uint32_t count = palette.count();
  if (count < 2) return lists;
  std::uint32_t k = std::min(count - 1, kMaxNeighbours);
  lists.length = k;
  lists.entries.resize(static_cast<std::size_t>(count) * k);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t best[kMaxNeighbours];
    double best_difference[kMaxNeighbours];
    std::uint32_t filled = 0;
    // Candidates arrive in index order, so a strict comparison keeps the
    // smaller index ahead of an equal difference.
    for (std::uint32_t j = 0; j < count; ++j) {
      if (j == i) continue;
      double d = color_difference(palette.entries[i].color, palette.entries[j].color, metric);
      if (filled == k && !(d < best_difference[k - 1])) continue;
      std::uint32_t at = filled < k ? filled++ : k - 1;
      while (at > 0 && d < best_difference[at - 1]) {
        best[at] = best[at - 1];
        best_difference[at] = best_difference[at - 1];
        --at;
      }
      best[at] = j;
      best_difference[at] = d;
    }
    std::copy(best, best + k, lists.entries.begin() + static_cast<std::ptrdiff_t>(i) * k);
  }
  return lists;
}

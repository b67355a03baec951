// A histogram as built, from one that palette searches have reordered and re-weighted.
#include <utility>

#include "engine/colour/histogram.h"
#include "tamble/algorithms.h"

void restore_build_order(tamble::device* dev, Histogram& hist) {
  HistogramItem* items = hist.items.data();
  const std::uint32_t count = hist.count;
  // Follows each cycle of the permutation in place: no second copy of the items.
  for (std::uint32_t i = 0; i < count; ++i) {
    while (items[i].source_index != i && items[i].source_index < count)
      std::swap(items[i], items[items[i].source_index]);
  }
  tamble::transform_inplace(dev, items, count, [](HistogramItem it) {
    it.cut_weight = it.pixel_weight;
    it.split_weight = 0.0;
    it.sort_key = 0;
    it.weight_root = 0.0;
    return it;
  });
}

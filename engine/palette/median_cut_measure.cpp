#include "engine/palette/median_cut_run.h"

std::vector<Box> measure_boxes(const CutRun& run, const std::vector<ItemRange>& ranges) {
  const HistogramItem* items = run.items;
  std::vector<AverageSums> sums = reduce_ranges(
      ranges, run.block, AverageSums{},
      [&](std::uint32_t, std::size_t lo, std::size_t hi) {
        return average_block(items + lo, hi - lo, false);
      },
      [](const AverageSums& x, const AverageSums& y) { return combine(x, y); });
  std::vector<Box> boxes(ranges.size());
  for (std::size_t r = 0; r < ranges.size(); ++r) {
    boxes[r].first = ranges[r].first;
    boxes[r].count = ranges[r].count;
    boxes[r].sum = sums[r].cut_sum;
    // A run whose items all weigh 0 averages them equally instead of collapsing to 0.
    bool weightless = sums[r].weight == 0.0 && ranges[r].count > 0;
    boxes[r].color = weightless ? box_average_serial(items + ranges[r].first, ranges[r].count,
                                                     run.opaque_threshold, run.block)
                                : finish_average(sums[r], run.opaque_threshold);
  }
  std::vector<StatSums> stats = reduce_ranges(
      ranges, run.block, StatSums{},
      [&](std::uint32_t r, std::size_t lo, std::size_t hi) {
        return stats_block(items + lo, hi - lo, boxes[r].color, run.chroma_weight, run.blend);
      },
      [](const StatSums& x, const StatSums& y) { return combine(x, y); });
  for (std::size_t r = 0; r < ranges.size(); ++r) finish_stats(stats[r], boxes[r]);
  return boxes;
}

// The serial loop: split the chosen box at a weighted median found by
// quick-select partitions.
#include <memory>
#include <vector>

#include "engine/palette/median_cut_partition.h"
#include "engine/palette/median_cut_run.h"
#include "tamble/algorithms.h"

namespace {

// Element-wise passes over boxes smaller than one reduction block stay on the
// calling thread: most splits are of such boxes, and waking the pool for each
// costs more than the pass.
constexpr std::size_t kPoolFrom = kSerialBlock;

struct SplitScratch {
  std::vector<SplitRecord> recs;
  std::unique_ptr<HistogramItem[]> items;  // reordered copy of the box being split
};

void split_box(CutRun& run, SplitScratch& scratch, std::uint32_t slot, std::uint32_t new_slot) {
  const Box box = run.boxes[slot];
  const std::size_t count = box.count;
  HistogramItem* items = run.items + box.first;
  SplitRecord* recs = scratch.recs.data();
  const std::array<int, 4> order = channel_order(box);

  tamble::for_each_index(run.dev, count, [&](std::size_t i) {
    std::uint32_t key = split_key(items[i].color, order);
    items[i].sort_key = key;
    recs[i] = {key, static_cast<std::uint32_t>(i), 0.0};
  }, kPoolFrom);

  // The records stand in for the items: every swap the partitions make is
  // applied to the items once, at the end.
  std::size_t h = (count - 1) / 2;
  select_descending(recs, count, h);
  WorkColor median;
  if (count % 2 == 1) {
    median = items[recs[h].pos].color;
  } else {
    select_descending(recs + h + 1, count - h - 1, 0);
    HistogramItem pair[2] = {items[recs[h].pos], items[recs[h + 1].pos]};
    median = box_average_serial(pair, 2, 1.0, run.block);
  }

  auto fetch_ahead = [&](std::size_t k) {
    if (k + kPrefetchAhead < count) prefetch_item(items + recs[k + kPrefetchAhead].pos);
  };
  tamble::for_each_index(run.dev, count, [&](std::size_t k) {
    fetch_ahead(k);
    recs[k].weight = split_weight(median, items[recs[k].pos], run.chroma_weight, run.blend);
  }, kPoolFrom);
  double total = tamble::blocked_reduce(
      run.dev, count, run.block, 0.0,
      [&](std::size_t lo, std::size_t hi) {
        double s = 0.0;
        for (std::size_t k = lo; k < hi; ++k) s += recs[k].weight;
        return s;
      },
      [](double x, double y) { return x + y; });
  std::size_t at = find_break_point(recs, count, total * 0.5);
  std::size_t split_at = at + 1 < count ? at + 1 : count - 1;

  HistogramItem* moved = scratch.items.get();
  tamble::for_each_index(run.dev, count, [&](std::size_t k) {
    fetch_ahead(k);
    moved[k] = items[recs[k].pos];
    moved[k].split_weight = recs[k].weight;
  }, kPoolFrom);
  tamble::for_each_index(run.dev, count, [&](std::size_t k) { items[k] = moved[k]; }, kPoolFrom);

  auto lo32 = static_cast<std::uint32_t>(split_at);
  std::vector<Box> halves = measure_boxes(
      run, {{box.first, lo32}, {box.first + lo32, box.count - lo32}});
  halves[1].sum = box.sum - halves[0].sum;
  run.boxes[slot] = halves[0];
  run.boxes[new_slot] = halves[1];
}

}  // namespace

void run_serial_loop(CutRun& run) {
  SplitScratch scratch;
  const std::uint32_t target = static_cast<std::uint32_t>(run.boxes.size());
  while (run.used < target) {
    int slot = choose_box(run.boxes, run.used, run.rule);
    if (slot < 0) break;
    if (!scratch.items) {
      scratch.recs.resize(run.item_count);
      scratch.items.reset(new HistogramItem[run.item_count]);
    }
    split_box(run, scratch, static_cast<std::uint32_t>(slot), run.used);
    ++run.used;
    if (error_target_met(run.boxes, run.used, run.error_limit)) break;
  }
}

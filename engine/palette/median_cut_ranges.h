#pragma once
// Reductions over several runs of histogram items at once, in fixed blocks
// counted from each run's start and combined in block order, so the result
// does not depend on how many threads share the work.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tamble/algorithms.h"
#include "tamble/runtime.h"

struct ItemRange {
  std::uint32_t first;
  std::uint32_t count;
};

// Below this many items in all, a batch of tasks runs on the calling thread:
// waking the pool costs more than it saves.
inline constexpr std::size_t kPoolFromItems = 65536;

// Runs task(t) for t in [0, tasks); on the pool unless the work is small.
template <class F>
void run_tasks(std::size_t tasks, std::size_t total_items, F task) {
  if (tasks == 0) return;
  if (tasks == 1 || tamble::runs_serially(total_items, kPoolFromItems)) {
    for (std::size_t t = 0; t < tasks; ++t) task(t);
    return;
  }
  tamble::parallel_dynamic(tasks, [&](std::size_t t, unsigned) { task(t); });
}

// block_fn(range_index, lo, hi) reduces items [lo, hi) (absolute indices);
// returns one combined result per range (identity for an empty range).
template <class R, class BlockF, class Combine>
std::vector<R> reduce_ranges(const std::vector<ItemRange>& ranges, std::size_t block,
                             const R& identity, BlockF block_fn, Combine combine_fn) {
  struct Task {
    std::uint32_t range;
    std::size_t lo, hi;
  };
  std::vector<Task> tasks;
  std::size_t total = 0;
  for (std::uint32_t r = 0; r < ranges.size(); ++r) {
    std::size_t end = std::size_t{ranges[r].first} + ranges[r].count;
    for (std::size_t lo = ranges[r].first; lo < end; lo += block)
      tasks.push_back({r, lo, end - lo < block ? end : lo + block});
    total += ranges[r].count;
  }
  std::vector<R> partial(tasks.size(), identity);
  run_tasks(tasks.size(), total, [&](std::size_t t) {
    partial[t] = block_fn(tasks[t].range, tasks[t].lo, tasks[t].hi);
  });
  std::vector<R> out(ranges.size(), identity);
  for (std::size_t t = 0; t < tasks.size(); ++t)
    out[tasks[t].range] = combine_fn(out[tasks[t].range], partial[t]);
  return out;
}

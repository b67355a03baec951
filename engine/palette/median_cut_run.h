#pragma once
// State of one median cut shared by the serial loop and the parallel rounds.
#include <cstdint>
#include <vector>

#include "engine/palette/median_cut_box.h"
#include "engine/palette/median_cut_ranges.h"
#include "tamble/device.h"

struct CutRun {
  tamble::device* dev = nullptr;
  HistogramItem* items = nullptr;
  std::uint32_t item_count = 0;
  double opaque_threshold = 1.0;
  double chroma_weight = 1.0;
  double blend = 1.0;
  ChoiceRule rule{};
  double error_limit = 0.0;  // error_target x total_weight
  std::size_t block = kSerialBlock;
  std::vector<Box> boxes;    // one slot per box to make
  std::uint32_t used = 0;    // slots in use
};

// Items read out of order (through a permutation) are fetched this many
// reads ahead, both cache lines of each.
inline constexpr std::size_t kPrefetchAhead = 16;
inline void prefetch_item(const HistogramItem* item) {
  const char* p = reinterpret_cast<const char*>(item);
  __builtin_prefetch(p);
  __builtin_prefetch(p + sizeof(HistogramItem) - 1);
}

// Colour (with opaque_threshold), sum of cut_weight and statistics of each
// run, reduced in blocks of run.block. `sum` is the run's plain cut_weight sum.
std::vector<Box> measure_boxes(const CutRun& run, const std::vector<ItemRange>& ranges);

// The two executions; both stop at run.boxes.size() boxes, when no box
// deserves a split, or when the error target is met.
void run_serial_loop(CutRun& run);
void run_rounds(CutRun& run);

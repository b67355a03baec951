#pragma once
// Boxes of median cut: runs of consecutive histogram items with their
// representative colour, spread and error, and the rules that pick the next
// box to split.
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/colour/histogram.h"
#include "engine/colour/work_color.h"

struct Box {
  WorkColor color;
  double variance[4];  // alpha, L, a, b, each scaled by its channel factor
  double sum;          // sum of cut_weight
  double total_error;  // sum of colour difference to `color` times pixel_weight
  double max_error;    // largest colour difference of an item to `color`
  std::uint32_t first;
  std::uint32_t count;
};

// Reduction blocks: the serial loop reduces in large blocks, the rounds in the
// same chunks their jobs are cut into.
inline constexpr std::size_t kSerialBlock = 65536;
inline constexpr std::size_t kRoundsBlock = 4096;

// Partial sums of the box average over one block of items.
struct AverageSums {
  double weight = 0.0;
  double alpha = 0.0, L = 0.0, a = 0.0, b = 0.0;
  double cut_sum = 0.0;    // plain sum of cut_weight
  double max_alpha = 0.0;  // largest item alpha
};

// Partial statistics over one block of items around a fixed colour.
struct StatSums {
  double max_error = 0.0;
  double total_error = 0.0;
  double raw[4] = {0.0, 0.0, 0.0, 0.0};  // alpha, L, a, b
};

// Lightness of the mid-grey that the box average's pull is measured from.
inline constexpr double kMidL = 0.5;

// Weight of an item in the box average: colours far from mid-grey pull harder.
// With unit_weight every item counts as if its cut_weight were 1.
inline void add_to_average(AverageSums& s, const HistogramItem& it, bool unit_weight) {
  const WorkColor& c = it.color;
  double da = c.a - kNeutralA, dl = c.L - kMidL, db = c.b - kNeutralB;
  double pull = da * da + dl * dl + db * db + 1.0;
  double w = unit_weight ? pull : pull * it.cut_weight;
  s.weight += w;
  s.alpha += w * c.alpha;
  s.L += w * c.L;
  s.a += w * c.a;
  s.b += w * c.b;
  s.cut_sum += it.cut_weight;
  if (c.alpha > s.max_alpha) s.max_alpha = c.alpha;
}
AverageSums average_block(const HistogramItem* items, std::size_t count, bool unit_weight);
AverageSums combine(const AverageSums& x, const AverageSums& y);
// The colour from combined sums; alpha snaps to 1 when it reaches
// opaque_threshold and some item is at least 255/256 opaque.
WorkColor finish_average(const AverageSums& s, double opaque_threshold);

StatSums stats_block(const HistogramItem* items, std::size_t count, const WorkColor& c,
                     double chroma_weight, double blend);
StatSums combine(const StatSums& x, const StatSums& y);
void finish_stats(const StatSums& s, Box& box);

// Box average of a run of items reduced serially in blocks of `block`.
// When no item carries weight the items count equally rather than giving a
// colour none of them has.
WorkColor box_average_serial(const HistogramItem* items, std::size_t count, double opaque_threshold,
                             std::size_t block, double* cut_sum = nullptr);

// The four components in split order: variance descending, ties in the
// order L, a, b, alpha. Indices are 0 alpha, 1 L, 2 a, 3 b.
std::array<int, 4> channel_order(const Box& box);

// Split key of an item for a channel order (see split_key in the .cpp).
std::uint32_t split_key(const WorkColor& c, const std::array<int, 4>& order);

// Weight of an item in the search for the split point: the root of its
// difference to the median (halved when tiny) times its weight_root.
inline double split_weight(const WorkColor& median, const HistogramItem& it, double chroma_weight,
                           double blend) {
  double d = color_difference(median, it.color, chroma_weight, blend);
  if (d < 1.0 / 65536.0) d *= 0.5;
  return std::sqrt(d) * it.weight_root;
}

struct ChoiceRule {
  double sum_pow;
  double max_error_pow;
  double error_scale;
  std::uint32_t target_boxes;  // N, the number of boxes the cut aims for
};

double box_score(const Box& box, const ChoiceRule& rule, std::uint32_t boxes_in_use);
// Slot of the box to split next, or -1 when none deserves it. Only boxes with
// more than one item compete; ties keep the lower slot; a score of 0 never wins.
int choose_box(const std::vector<Box>& boxes, std::uint32_t boxes_in_use, const ChoiceRule& rule);

// True when the running sum of total_error over the boxes in slot order never
// exceeds `limit`.
bool error_target_met(const std::vector<Box>& boxes, std::uint32_t boxes_in_use, double limit);

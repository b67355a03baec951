#include "engine/palette/median_cut_box.h"

#include <cmath>

namespace {
constexpr double kOpaqueItem = 0.99609375;  // 255/256
constexpr double kAlphaHalving = 1.0 / 16384.0;  // 2^-14
constexpr double kColorHalving = 1.0 / 65536.0;  // 2^-16
constexpr double kVarianceScale[4] = {0.25, 0.4375, 0.5625, 0.3125};

// Integer part as 64 bits; NaN gives 0 and huge values saturate, so a stray
// colour cannot make the conversion undefined.
std::uint64_t integer_bits(double v) {
  constexpr double kLimit = 4611686018427387904.0;  // 2^62
  if (!(v == v)) return 0;
  if (v > kLimit) v = kLimit;
  if (v < -kLimit) v = -kLimit;
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(v));
}

double squared_halved(double d, double threshold) {
  double s = d * d;
  return s < threshold ? s * 0.5 : s;
}
}  // namespace

AverageSums average_block(const HistogramItem* items, std::size_t count, bool unit_weight) {
  AverageSums s;
  for (std::size_t i = 0; i < count; ++i) add_to_average(s, items[i], unit_weight);
  return s;
}

AverageSums combine(const AverageSums& x, const AverageSums& y) {
  AverageSums s;
  s.weight = x.weight + y.weight;
  s.alpha = x.alpha + y.alpha;
  s.L = x.L + y.L;
  s.a = x.a + y.a;
  s.b = x.b + y.b;
  s.cut_sum = x.cut_sum + y.cut_sum;
  s.max_alpha = y.max_alpha > x.max_alpha ? y.max_alpha : x.max_alpha;
  return s;
}

WorkColor finish_average(const AverageSums& s, double opaque_threshold) {
  double div = s.weight == 0.0 ? 1.0 : s.weight;
  WorkColor c{s.alpha / div, s.L / div, s.a / div, s.b / div};
  if (c.alpha >= opaque_threshold && s.max_alpha >= kOpaqueItem) c.alpha = 1.0;
  return c;
}

StatSums stats_block(const HistogramItem* items, std::size_t count, const WorkColor& c,
                     double chroma_weight, double blend) {
  StatSums s;
  for (std::size_t i = 0; i < count; ++i) {
    const HistogramItem& it = items[i];
    double d = color_difference(c, it.color, chroma_weight, blend);
    if (d > s.max_error) s.max_error = d;
    s.total_error += d * it.pixel_weight;
    s.raw[0] += squared_halved(c.alpha - it.color.alpha, kAlphaHalving) * it.cut_weight;
    s.raw[1] += squared_halved(c.L - it.color.L, kColorHalving) * it.cut_weight;
    s.raw[2] += squared_halved(c.a - it.color.a, kColorHalving) * it.cut_weight;
    s.raw[3] += squared_halved(c.b - it.color.b, kColorHalving) * it.cut_weight;
  }
  return s;
}

StatSums combine(const StatSums& x, const StatSums& y) {
  StatSums s;
  s.max_error = y.max_error > x.max_error ? y.max_error : x.max_error;
  s.total_error = x.total_error + y.total_error;
  for (int i = 0; i < 4; ++i) s.raw[i] = x.raw[i] + y.raw[i];
  return s;
}

void finish_stats(const StatSums& s, Box& box) {
  box.max_error = s.max_error;
  box.total_error = s.total_error;
  for (int i = 0; i < 4; ++i) box.variance[i] = s.raw[i] * kVarianceScale[i];
}

WorkColor box_average_serial(const HistogramItem* items, std::size_t count, double opaque_threshold,
                             std::size_t block, double* cut_sum) {
  auto reduce = [&](bool unit) {
    AverageSums total;
    for (std::size_t lo = 0; lo < count; lo += block) {
      std::size_t n = count - lo < block ? count - lo : block;
      total = combine(total, average_block(items + lo, n, unit));
    }
    return total;
  };
  AverageSums s = reduce(false);
  if (cut_sum) *cut_sum = s.cut_sum;
  if (s.weight == 0.0 && count > 0) s = reduce(true);
  return finish_average(s, opaque_threshold);
}

std::array<int, 4> channel_order(const Box& box) {
  std::array<int, 4> order{1, 2, 3, 0};
  // Insertion sort by variance descending keeps equal variances in L, a, b, alpha order.
  for (int i = 1; i < 4; ++i) {
    int ch = order[i];
    int j = i;
    while (j > 0 && box.variance[order[j - 1]] < box.variance[ch]) {
      order[j] = order[j - 1];
      --j;
    }
    order[j] = ch;
  }
  return order;
}

// High half: the leading channel at 16 bits. Low half: a blend of the other
// three that may overflow into the high half; the two are OR-ed, not added,
// and the result cut to 32 bits.
std::uint32_t split_key(const WorkColor& c, const std::array<int, 4>& order) {
  const double v[4] = {c.alpha, c.L, c.a, c.b};
  double c1 = v[order[0]], c2 = v[order[1]], c3 = v[order[2]], c4 = v[order[3]];
  std::uint64_t high = integer_bits(c1 * 65535.0) << 16;
  std::uint64_t low = integer_bits((c2 * 0.5 + c3 + c4 * 0.25) * 65535.0);
  return static_cast<std::uint32_t>(high | low);
}

double box_score(const Box& box, const ChoiceRule& rule, std::uint32_t boxes_in_use) {
  double threshold = (15.0 * boxes_in_use / rule.target_boxes + 1.0) * rule.error_scale;
  double spread = box.variance[0] + box.variance[1] + box.variance[2] + box.variance[3];
  // The default exponents skip pow (which is exact for them anyway): the
  // choice runs once per box for every split.
  double weight = rule.sum_pow == 1.0 ? box.sum : std::pow(box.sum, rule.sum_pow);
  double score = weight * spread;
  if (box.max_error > threshold) {
    double ratio = box.max_error / threshold;
    score *= rule.max_error_pow == 1.0 ? ratio : std::pow(ratio, rule.max_error_pow);
  }
  return score;
}

int choose_box(const std::vector<Box>& boxes, std::uint32_t boxes_in_use, const ChoiceRule& rule) {
  int best = -1;
  double best_score = 0.0;
  for (std::uint32_t i = 0; i < boxes_in_use; ++i) {
    if (boxes[i].count <= 1) continue;
    double score = box_score(boxes[i], rule, boxes_in_use);
    if (score > best_score) {
      best_score = score;
      best = static_cast<int>(i);
    }
  }
  return best;
}

bool error_target_met(const std::vector<Box>& boxes, std::uint32_t boxes_in_use, double limit) {
  double running = 0.0;
  for (std::uint32_t i = 0; i < boxes_in_use; ++i) {
    running += boxes[i].total_error;
    if (running > limit) return false;
  }
  return true;
}

#pragma once
// What `speed` (1 slow/best .. 10 fast) buys at every step of the pipeline.
#include <algorithm>
#include <cstdint>

// Distinct colours the histogram may hold before it posterizes.
inline std::uint32_t histogram_max_colors(std::uint32_t speed) {
  return (42u - 4u * speed) * 65536u;
}
inline unsigned first_posterize_bits(std::uint32_t speed) { return speed > 7 ? 1u : 0u; }
// Median-cut trials of the feedback loop; zero or less means no k-means trial.
inline int feedback_trials(std::uint32_t speed) { return 56 - 9 * static_cast<int>(speed); }
// Only the slowest speeds keep trying while trials remain.
inline bool feedback_repeats(std::uint32_t speed) { return speed < 3; }
inline int kmeans_budget(std::uint32_t speed) {
  int r = 8 - static_cast<int>(speed);
  return std::max(2, r * r / 2 + r);
}
// K-means stops once an iteration changes the error by less than this.
inline double kmeans_min_change(std::uint32_t speed) {
  return 1.0 / static_cast<double>(std::uint64_t{1} << (23 - speed));
}
// Below speed 6 dithering starts from a plain remap, which also tunes the dither map.
inline bool plain_remap_before_dither(std::uint32_t speed) { return speed < 6; }

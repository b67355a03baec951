#pragma once
// Counters of the work a call did, for tests and benchmarks (the progress log
// is silenced inside quantize_image). Reset at the start of every call.
#include <cstdint>

struct RunStats {
  std::uint32_t image_cache_hits = 0;
  std::uint32_t image_conversions = 0;
  std::uint32_t contrast_map_builds = 0;
  std::uint32_t edge_maps_over_noise = 0;  // edge maps made in the read noise map's place
  std::uint32_t noise_maps_in_chunks = 0;  // noise maps summed into the histogram as made
  std::uint32_t histogram_cache_hits = 0;
  std::uint32_t histogram_builds = 0;
  std::uint32_t feedback_trials = 0;
  std::uint32_t kmeans_iterations = 0;
  std::uint32_t colour_count_probes = 0;  // extra searches for the fewest colours
  std::uint32_t histogram_colors = 0;
  unsigned posterize_bits = 0;
};

extern RunStats g_run_stats;

#include "engine/memory_budget.h"

#include <algorithm>

#include "engine/colour/histogram.h"
#include "engine/physical_memory.h"
#include "engine/speed_budget.h"
#include "engine/colour/work_color.h"

namespace {
// Per pixel at the histogram's peak: the pixel copy (4), the working image
// (32), the cached noise and edge maps (16), a per-call importance map when
// focus reweights it (8; otherwise the cached noise map is read as it is),
// the index buffer (1), and the histogram's keys and weights with their sort
// and reduction buffers (4 + 8 + 12 + 12). The per-call edge map of dithering
// comes after the histogram is gone.
constexpr double kBytesPerPixel = 4 + sizeof(WorkColor) + 16 + 8 + 1 + 36;
// Each distinct colour is an item plus its pristine copy in the cache.
constexpr double kBytesPerColor = 2 * sizeof(HistogramItem);
}  // namespace

double estimated_run_bytes(std::uint64_t pixel_count, std::uint32_t speed) {
  double n = static_cast<double>(pixel_count);
  double colors = std::min(n, static_cast<double>(histogram_max_colors(speed)));
  return n * kBytesPerPixel + colors * kBytesPerColor;
}

bool run_fits_in_memory(std::uint64_t pixel_count, std::uint32_t speed) {
  std::uint64_t physical = physical_memory_bytes();
  if (physical == 0) return true;  // unknown: let the allocations decide
  return estimated_run_bytes(pixel_count, speed) <= static_cast<double>(physical);
}

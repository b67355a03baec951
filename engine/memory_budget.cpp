#include "engine/memory_budget.h"

#include <algorithm>

#include "engine/colour/contrast_maps.h"
#include "engine/colour/histogram.h"
#include "engine/engine_cache.h"
#include "engine/physical_memory.h"
#include "engine/remap/diffusion_row.h"
#include "engine/speed_budget.h"
#include "engine/colour/work_color.h"

namespace {
// Per pixel at the run's peak, for a run that keeps its caches: the pixel
// copy (4), the working image (32), the cached noise and edge maps (16), one
// more map (8: a per-call importance map under focus, or the per-call edge
// map of dithering), the index buffer (1) and the k-means step's grouping of
// pixels by entry (4). The histogram sums its colours without per-pixel arrays.
constexpr double kBytesPerPixel = 4 + sizeof(WorkColor) + 16 + 8 + 1 + 4;
// A run that keeps nothing holds the noise map (8), later turned into the
// edge map in its own block, and under focus the noise map's reweighted
// per-call copy (8) while the histogram is made.
constexpr double kBytesPerPixelKeepingNothing = 4 + sizeof(WorkColor) + 8 + 8 + 1 + 4;
// Each distinct colour is an item, its pristine copy in the cache, and its
// key and weight while the items are made.
constexpr double kBytesPerColor = 2 * sizeof(HistogramItem) + 12;
constexpr double kBytesPerColorKeepingNothing = sizeof(HistogramItem) + 12;
// Per column: the rows error diffusion keeps (the errors of this row and the
// next, and the row's colours and levels).
constexpr double kBytesPerColumn = 2 * sizeof(Error4) + sizeof(WorkColor) + sizeof(double);
}  // namespace

double estimated_run_bytes(std::uint32_t width, std::uint32_t height, std::uint32_t speed) {
  const double n = static_cast<double>(width) * height;
  const double colors = std::min(n, static_cast<double>(histogram_max_colors(speed)));
  const bool kept = engine_caches_kept();
  // Rows are worked on whole, so images of few, very long rows need more
  // than their pixels alone suggest.
  const double rows = static_cast<double>(contrast_working_bytes(width, height, kept)) +
                      static_cast<double>(width) * kBytesPerColumn;
  if (!kept) return n * kBytesPerPixelKeepingNothing + colors * kBytesPerColorKeepingNothing + rows;
  return n * kBytesPerPixel + colors * kBytesPerColor + rows;
}

bool run_fits_in_memory(std::uint32_t width, std::uint32_t height, std::uint32_t speed) {
  std::uint64_t physical = physical_memory_bytes();
  if (physical == 0) return true;  // unknown: let the allocations decide
  return estimated_run_bytes(width, height, speed) <= static_cast<double>(physical);
}

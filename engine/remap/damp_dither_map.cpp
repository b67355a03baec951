#include "engine/remap/damp_dither_map.h"
#include "tamble/algorithms.h"

namespace {

// Runs of one index along the row. A run closes where the index changes (or at
// the last column); the closing column is scaled with the run before it and the
// next run is counted from the column after it, keyed by the closing column's
// index. Equal indices directly above and below lengthen a run's count.
void damp_row(const std::uint8_t* indices, std::uint32_t width, std::uint32_t height,
              std::uint32_t y, double* edge_map) {
  const std::uint8_t* row = indices + static_cast<std::size_t>(y) * width;
  const std::uint8_t* above = y > 0 ? row - width : nullptr;
  const std::uint8_t* below = y + 1 < height ? row + width : nullptr;
  double* edge = edge_map + static_cast<std::size_t>(y) * width;
  std::uint32_t j = 0;
  std::uint8_t p = row[0];
  for (std::uint32_t i = 1; i < width; ++i) {
    if (row[i] == p && i != width - 1) continue;
    // Whole counts and halves are exact in a double, so counting first
    // and adding the count at once gives the sum of the single steps.
    std::uint32_t same = 0;
    if (above)
      for (std::uint32_t k = j; k < i; ++k) same += above[k] == p;
    if (below)
      for (std::uint32_t k = j; k < i; ++k) same += below[k] == p;
    const double n = ((i - j) + 2.5) + same;
    const double keep = 1 - 2.5 / n;
    for (std::uint32_t k = j; k <= i; ++k) edge[k] *= keep;
    j = i + 1;
    p = row[i];
  }
}

}  // namespace

void damp_dither_map(tamble::device* dev, const std::uint8_t* indices, std::uint32_t width,
                     std::uint32_t height, double* edge_map) {
  if (width < 2 || height == 0 || !indices || !edge_map) return;
  std::size_t pixels = static_cast<std::size_t>(width) * height;
  // One work item per row; small images stay on the calling thread.
  std::size_t serial_below = pixels < tamble::kSerialBelow ? std::size_t{height} + 1 : 2;
  tamble::for_each_index(
      dev ? dev : tamble::get_cpu_device(), height,
      [&](std::size_t y) { damp_row(indices, width, height, static_cast<std::uint32_t>(y), edge_map); },
      serial_below);
}

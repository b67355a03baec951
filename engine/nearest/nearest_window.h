#pragma once
// The exact nearest-entry search of error diffusion, shaped for a probe
// whose answer nearly always lies close in lightness order to where the
// probe's own lightness falls. The kWidth sorted entries of a window there
// are measured at once, without branches (nearest_window_lanes.h); the
// answer stands when the lightness gap to the first entry outside the window
// on each side already exceeds it, the scan's own closing test. Otherwise a
// scan continues outward from the window's edges. Either way the answer is
// the full search's: the smallest distance as the kernels compute it, and on
// a tie the smaller palette index. For probes without the translucent penalty.
#include <cstdint>
#include <vector>

#include "engine/nearest/nearest.h"

// The sorted entries as plain data, from slot kPad on; the padding's
// lightness is -inf below and +inf above, so its distance is infinite. Kernel
// files compiled for other instruction sets read only this.
struct WindowTable {
  const double *alpha, *L, *a, *b, *chroma2, *index;
  std::int64_t count;
  double blend, chroma_weight;
  // First slot of the window centred on each of kBuckets even steps of L.
  const std::int64_t* window_of_bucket;
  static constexpr int kBuckets = 1024;
};

class nearest_window {
 public:
  static constexpr std::int64_t kWidth = 16;
  static constexpr std::int64_t kPad = kWidth;

  explicit nearest_window(const nearest_index& index);
  nearest_window(const nearest_window&) = delete;  // the table points into it
  nearest_window& operator=(const nearest_window&) = delete;

  const WindowTable& table() const { return table_; }

 private:
  std::vector<double> alpha_, L_, a_, b_, chroma2_, index_;
  std::vector<std::int64_t> window_of_bucket_;
  WindowTable table_;
};

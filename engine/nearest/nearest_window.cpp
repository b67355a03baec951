#include "engine/nearest/nearest_window.h"

#include <algorithm>
#include <limits>


namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kPadIndex = 1e18;

}  // namespace

nearest_window::nearest_window(const nearest_index& nearest) {
  const ScanTable& t = nearest.table();
  const std::int64_t n = t.count;
  const std::size_t slots = static_cast<std::size_t>(n + 2 * kPad);
  alpha_.assign(slots, 0.0);
  a_.assign(slots, 0.0);
  b_.assign(slots, 0.0);
  chroma2_.assign(slots, 0.0);
  index_.assign(slots, kPadIndex);
  L_.assign(slots, kInfinity);
  std::fill(L_.begin(), L_.begin() + kPad, -kInfinity);
  for (std::int64_t s = 0; s < n; ++s) {
    const std::size_t slot = static_cast<std::size_t>(s + kPad);
    alpha_[slot] = t.alpha[s];
    L_[slot] = t.L[s];
    a_[slot] = t.a[s];
    b_[slot] = t.b[s];
    chroma2_[slot] = t.chroma2[s];
    index_[slot] = static_cast<double>(t.index[s]);
  }
  // Half the window below the bucket's middle lightness, half at or above it.
  constexpr int kBuckets = WindowTable::kBuckets;
  window_of_bucket_.resize(kBuckets);
  for (int k = 0; k < kBuckets; ++k) {
    const double middle = (k + 0.5) / kBuckets;
    const std::int64_t place = std::lower_bound(t.L, t.L + n, middle) - t.L;
    window_of_bucket_[static_cast<std::size_t>(k)] =
        std::clamp<std::int64_t>(place - kWidth / 2, 0, std::max<std::int64_t>(n - kWidth, 0));
  }
  table_ = {alpha_.data(), L_.data(),         a_.data(),     b_.data(),
            chroma2_.data(), index_.data(),   n,             t.blend,
            t.chroma_weight, window_of_bucket_.data()};
}

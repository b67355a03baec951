#include "engine/nearest/nearest_window.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/colour/distance_weights.h"

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

// Each side outward from the window. An entry on the probe's side of the
// lightness order can be passed, with all beyond it, once its (L difference)^2
// exceeds the best distance, which its whole distance is at least.
NearestMatch scan_outward(const WindowTable& t, const ScanProbe& p, std::int64_t start, NearestMatch best) {
  constexpr std::int64_t kPad = nearest_window::kPad;
  auto consider = [&](std::int64_t slot) {
    const double cq = t.chroma2[slot], dl = p.L - t.L[slot];
    const double d = weighted_distance(std::fabs(p.chroma2 - cq), p.chroma2 + cq, t.blend, t.chroma_weight,
                                       p.a - t.a[slot], p.b - t.b[slot], p.alpha - t.alpha[slot], dl * dl);
    const auto e = static_cast<std::int64_t>(t.index[slot]);
    if (d < best.distance || (d == best.distance && e < best.index)) best = {d, e};
  };
  for (std::int64_t s = start - 1; s >= 0; --s) {
    const double dl = p.L - t.L[kPad + s];
    if (dl > 0 && dl * dl > best.distance) break;
    consider(kPad + s);
  }
  for (std::int64_t s = start + nearest_window::kWidth; s < t.count; ++s) {
    const double dl = t.L[kPad + s] - p.L;
    if (dl > 0 && dl * dl > best.distance) break;
    consider(kPad + s);
  }
  return best;
}

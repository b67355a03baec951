#include "engine/nearest/nearest.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "engine/required_array.h"
#include "engine/unbounded.h"
#include "tamble/isa_dispatch.h"
#include "tamble/runtime.h"

namespace {

constexpr std::int64_t kGuardSlots = 8;
constexpr double kGuardValue = 1e300;
constexpr std::int64_t kGuardIndex = (std::int64_t{1} << 62) - 1;
constexpr double kNoBest = kUnbounded;
constexpr std::int64_t kNoIndex = std::numeric_limits<std::int64_t>::max();

// One kernel per level; each declares what its file was compiled for, so a
// level the processor lacks is never chosen, whatever the caller asks for.
const tamble::isa_kernel<nearest_scan_fn>* const kScanKernels[] = {&kNearestScanScalar, &kNearestScanAvx2,
                                                                   &kNearestScanAvx512};
const tamble::isa_kernel<nearest_block_fn>* const kBlockKernels[] = {&kNearestBlockScalar, &kNearestBlockAvx2,
                                                                     &kNearestBlockAvx512};

// Chosen once: the environment and the processor do not change.
const tamble::isa_kernel<nearest_scan_fn>& automatic_scan_kernel() {
  static const tamble::isa_kernel<nearest_scan_fn>& kernel =
      tamble::select_auto_kernel(kScanKernels, tamble::effective_isa_level());
  return kernel;
}

// Sort key that puts a NaN lightness last, keeping the order total.
double sort_key(double L) { return std::isnan(L) ? std::numeric_limits<double>::infinity() : L; }

// Lightness bucket of the block search, for any L (NaN: 0).
int block_bucket(double L, int buckets) {
  const double scaled = L * buckets;
  return scaled >= 0 ? (scaled < buckets ? static_cast<int>(scaled) : buckets - 1) : 0;
}

}  // namespace

nearest_index::nearest_index(tamble::device* dev, const Palette& palette, double opaque_threshold,
                             const ColorMetric& metric) {
  build(dev, palette, opaque_threshold, metric, automatic_scan_kernel());
}

nearest_index::nearest_index(tamble::device* dev, const Palette& palette, double opaque_threshold,
                             const ColorMetric& metric, int level) {
  build(dev, palette, opaque_threshold, metric, tamble::select_kernel(kScanKernels, level));
}

int nearest_scan_level() { return automatic_scan_kernel().level; }

void nearest_index::build(tamble::device* dev, const Palette& palette, double opaque_threshold,
                          const ColorMetric& metric,
                          const tamble::isa_kernel<nearest_scan_fn>& kernel) {
  if (!dev) dev = tamble::get_cpu_device();
  count_ = palette.count();
  opaque_threshold_ = opaque_threshold;
  chroma_weight_ = metric.chroma_weight;
  blend_ = metric.blend;
  scan_level_ = kernel.level;
  scan_ = kernel.fn;

  std::vector<std::uint32_t> order(count_);
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
    double kx = sort_key(palette.entries[x].color.L), ky = sort_key(palette.entries[y].color.L);
    return kx < ky || (kx == ky && x < y);
  });

  std::size_t slots = count_ + 2 * kGuardSlots;
  alpha_ = required_array<double>(dev, slots);
  L_ = required_array<double>(dev, slots);
  a_ = required_array<double>(dev, slots);
  b_ = required_array<double>(dev, slots);
  chroma2_ = required_array<double>(dev, slots);
  penalty_ = required_array<double>(dev, slots);
  index_ = required_array<std::int64_t>(dev, slots);
  rank_ = required_array<std::uint32_t>(dev, count_);

  for (std::size_t s = 0; s < slots; ++s) {
    alpha_[s] = 0.0;
    L_[s] = a_[s] = b_[s] = chroma2_[s] = penalty_[s] = kGuardValue;
    index_[s] = kGuardIndex;
  }
  for (std::uint32_t s = 0; s < count_; ++s) {
    const WorkColor& c = palette.entries[order[s]].color;
    std::size_t slot = s + kGuardSlots;
    alpha_[slot] = c.alpha;
    L_[slot] = c.L;
    a_[slot] = c.a;
    b_[slot] = c.b;
    chroma2_[slot] = squared_chroma(c);
    penalty_[slot] = c.alpha < 1.0 ? kTranslucentPenalty : 0.0;
    index_[slot] = order[s];
    rank_[order[s]] = s;
  }
  // The factor on the a and b terms is never negative when Vividness is not
  // negative and blend is at least -1: every distance is at least its
  // (L difference)^2, which is what lets a block settle an answer.
  blocks_ = count_ >= kBlockSlots && metric.chroma_weight >= 0.0 && metric.blend >= -1.0;
  block_ = tamble::select_kernel(kBlockKernels, scan_level_).fn;
  if (blocks_) {
    // Centred on the bucket's first entry, inside the table.
    std::int64_t s = 0;
    const double* L = L_.data() + kGuardSlots;
    for (int k = 0; k < kBlockBuckets; ++k) {
      while (s < count_ && block_bucket(L[s], kBlockBuckets) < k) ++s;
      block_of_bucket_[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(
          std::clamp<std::int64_t>(s - kBlockSlots / 2, 0, count_ - kBlockSlots));
    }
  }
  table_ = ScanTable{alpha_.data() + kGuardSlots, L_.data() + kGuardSlots, a_.data() + kGuardSlots,
                     b_.data() + kGuardSlots,     chroma2_.data() + kGuardSlots,
                     penalty_.data() + kGuardSlots, index_.data() + kGuardSlots,
                     static_cast<std::int64_t>(count_), chroma_weight_, blend_};
}

// First sorted position whose L is not below the probe's (count when none).
std::int64_t nearest_index::start_position(double probe_L) const {
  // Written for conditional moves: each step's outcome is unpredictable.
  std::int64_t lo = 0, n = count_;
  while (n > 0) {
    std::int64_t half = n >> 1;
    bool right = table_.L[lo + half] < probe_L;
    lo = right ? lo + half + 1 : lo;
    n = right ? n - half - 1 : half;
  }
  return lo;
}

// The same position, walked to from the guess's rank.
std::int64_t nearest_index::start_position_from(std::int64_t guess, double probe_L) const {
  std::int64_t s = rank_[static_cast<std::size_t>(guess)];
  while (s > 0 && !(table_.L[s - 1] < probe_L)) --s;
  while (s < count_ && table_.L[s] < probe_L) ++s;
  return s;
}

// Every entry, for probes so far out (or NaN) that none came within the
// scan's starting bound: with an infinite bound no direction closes early.
NearestMatch nearest_index::full_scan(const ScanProbe& probe) const {
  ScanBest best = nearest_scan_scalar(table_, probe, 0,
                                      ScanBest{std::numeric_limits<double>::infinity(), kNoIndex});
  if (best.index == kNoIndex) return {std::numeric_limits<double>::infinity(), 0};
  return {best.distance, best.index};
}

// The distance the scan computes for one sorted slot, penalty included, in
// the scan's own operation order: bit for bit what the kernels compare.
double nearest_index::scan_distance(const ScanProbe& p, std::int64_t s) const {
  const ScanTable& t = table_;
  double cq = t.chroma2[s];
  double dl = p.L - t.L[s];
  double d = weighted_distance(std::fabs(p.chroma2 - cq), p.chroma2 + cq, t.blend, t.chroma_weight,
                               p.a - t.a[s], p.b - t.b[s], p.alpha - t.alpha[s], dl * dl);
  if (p.penalised) d += t.penalty[s];
  return d;
}

ScanProbe nearest_index::scan_probe(const WorkColor& probe) const {
  return ScanProbe{probe.alpha, probe.L, probe.a, probe.b, squared_chroma(probe), probe.alpha > opaque_threshold_};
}

// Improves `best` by the block around the probe's lightness; true when no
// entry outside the block can beat it: on each side the first entry beyond
// lies on the far side of the probe's lightness with (L difference)^2 above
// the best, the scan's own closing test. A NaN lightness never settles.
bool nearest_index::settled_in_block(const ScanProbe& p, ScanBest& best) const {
  const std::int64_t first = block_of_bucket_[static_cast<std::size_t>(block_bucket(p.L, kBlockBuckets))];
  best = block_(table_, p, first, best);
  if (best.index == kNoIndex) return false;
  const double* L = table_.L;
  const double below = first > 0 ? p.L - L[first - 1] : kNoBest;
  const double above = L[first + kBlockSlots] - p.L;  // a guard past the last entry: far above
  return (first == 0 || (below > 0 && below * below > best.distance)) && above > 0 &&
         above * above > best.distance;
}

NearestMatch nearest_index::answer(const ScanProbe& p, ScanBest best) const {
  if (best.index == kNoIndex) return full_scan(p);
  return {best.distance, best.index};
}

NearestMatch nearest_index::find_near(const WorkColor& probe, std::int64_t guess) const {
  if (guess < 0 || guess >= count_) return find(probe, -1, 0.0);
  const ScanProbe p = scan_probe(probe);
  ScanBest best{kNoBest, kNoIndex};
  if (blocks_ && settled_in_block(p, best)) return {best.distance, best.index};
  const double d = scan_distance(p, rank_[static_cast<std::size_t>(guess)]);
  // A guess no better than the unguided search's starting bound (or NaN)
  // could change which path answers; such probes take that search.
  if (!(d < kNoBest)) return answer(p, scan_(table_, p, start_position(p.L), best));
  if (d < best.distance || (d == best.distance && guess < best.index)) best = {d, guess};
  return answer(p, scan_(table_, p, start_position_from(guess, p.L), best));
}

// The answer is the smallest (distance, index) pair over every entry (and
// the guess), whichever entries a path measures on the way: the block, when
// it does not settle, only tightens the scan's starting bound.
NearestMatch nearest_index::find(const WorkColor& probe, std::int64_t guess,
                                 double guess_distance) const {
  if (count_ == 0) return {kNoBest, 0};
  const ScanProbe p = scan_probe(probe);
  const bool guided = guess >= 0 && guess < count_;
  ScanBest best = guided ? ScanBest{guess_distance, guess} : ScanBest{kNoBest, kNoIndex};
  if (blocks_ && settled_in_block(p, best)) return {best.distance, best.index};
  const std::int64_t start = guided ? start_position_from(guess, p.L) : start_position(p.L);
  return answer(p, scan_(table_, p, start, best));
}

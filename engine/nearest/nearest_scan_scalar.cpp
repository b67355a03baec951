#include <cmath>

#include "engine/colour/distance_weights.h"
#include "engine/nearest/nearest_scan.h"
#include "tamble/compiled_features.h"

namespace {

// The table and probe in locals, so the loop keeps them in registers.
struct Scan {
  const double *alpha, *L, *a, *b, *chroma2, *penalty;
  const std::int64_t* index;
  double blend, chroma_weight;
  double p_alpha, p_L, p_a, p_b, p_c;

  // The colour difference with the entry's chroma precomputed. fabs differs
  // from a compare-and-negate only for -0, which cannot change the sum that
  // follows; it spares a badly predicted branch per entry.
  template <bool kPenalised>
  double distance(std::int64_t s, double dl2) const {
    double cq = chroma2[s];
    double d = weighted_distance(std::fabs(p_c - cq), p_c + cq, blend, chroma_weight, p_a - a[s], p_b - b[s],
                                 p_alpha - alpha[s], dl2);
    if (kPenalised) d += penalty[s];
    return d;
  }
};

inline void take_if_better(ScanBest& best, double d, std::int64_t index) {
  if (d < best.distance || (d == best.distance && index < best.index)) best = {d, index};
}

template <bool kPenalised>
ScanBest scan(const Scan& t, std::int64_t count, std::int64_t start, ScanBest best) {
  std::int64_t up = start, down = start - 1;
  bool up_open = up < count, down_open = down >= 0;
  while (up_open || down_open) {
    if (up_open) {
      double dl = t.p_L - t.L[up];
      double dl2 = dl * dl;
      if (dl2 > best.distance) {
        up_open = false;
      } else {
        take_if_better(best, t.distance<kPenalised>(up, dl2), t.index[up]);
        up_open = ++up < count;
      }
    }
    if (down_open) {
      double dl = t.p_L - t.L[down];
      double dl2 = dl * dl;
      if (dl2 > best.distance) {
        down_open = false;
      } else {
        take_if_better(best, t.distance<kPenalised>(down, dl2), t.index[down]);
        down_open = --down >= 0;
      }
    }
  }
  return best;
}

template <bool kPenalised>
ScanBest block(const Scan& t, std::int64_t first, ScanBest best) {
  for (std::int64_t s = first; s < first + kBlockSlots; ++s) {
    const double dl = t.p_L - t.L[s];
    take_if_better(best, t.distance<kPenalised>(s, dl * dl), t.index[s]);
  }
  return best;
}

Scan scan_of(const ScanTable& table, const ScanProbe& p) {
  return Scan{table.alpha, table.L, table.a, table.b, table.chroma2, table.penalty, table.index,
              table.blend, table.chroma_weight, p.alpha, p.L, p.a, p.b, p.chroma2};
}

}  // namespace

ScanBest nearest_scan_scalar(const ScanTable& table, const ScanProbe& p, std::int64_t start,
                             ScanBest best) {
  const Scan t = scan_of(table, p);
  return p.penalised ? scan<true>(t, table.count, start, best) : scan<false>(t, table.count, start, best);
}

ScanBest nearest_block_scalar(const ScanTable& table, const ScanProbe& p, std::int64_t first, ScanBest best) {
  const Scan t = scan_of(table, p);
  return p.penalised ? block<true>(t, first, best) : block<false>(t, first, best);
}

constinit const tamble::isa_kernel<nearest_scan_fn> kNearestScanScalar{0, tamble::kCompiledFeatures,
                                                                       nearest_scan_scalar, __FILE__};
constinit const tamble::isa_kernel<nearest_block_fn> kNearestBlockScalar{0, tamble::kCompiledFeatures,
                                                                         nearest_block_scalar, __FILE__};

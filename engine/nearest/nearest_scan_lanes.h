#pragma once
// The vector scan, written once over the lane width. Each vector kernel file
// instantiates it with its own lane operations (a type local to that file,
// so the instantiation stays inside the file and its instruction set):
//   V, I            vectors of kLanes doubles and 64-bit indices;
//   splat(double), splat_index(int64)
//   join(low, high) kLanes / 2 slots from each start, low half first;
//   abs(V)          magnitude;
//   any_greater(x, best)  some lane of x is greater than best's;
//   take(best_d, best_i, d, index)  lanes where d is smaller, or equal with a
//                   smaller index, take d and index;
//   store(double*, V), store_index(int64*, I).
// Each lane keeps its own best and the per-entry arithmetic is the scalar
// kernel's, so the answer is exactly the scalar one.
#include <cstdint>

#include "engine/colour/distance_weights.h"
#include "engine/nearest/nearest_scan.h"

template <class Ops>
ScanBest scan_lanes(const ScanTable& t, const ScanProbe& p, std::int64_t start, ScanBest best) {
  using V = typename Ops::V;
  using I = typename Ops::I;
  constexpr std::int64_t kGroup = Ops::kLanes / 2;  // entries per direction and step

  const V p_alpha = Ops::splat(p.alpha), p_L = Ops::splat(p.L);
  const V p_a = Ops::splat(p.a), p_b = Ops::splat(p.b);
  const V p_c = Ops::splat(p.chroma2);
  const V blend = Ops::splat(t.blend), weight = Ops::splat(t.chroma_weight);
  V best_d = Ops::splat(best.distance);
  I best_i = Ops::splat_index(best.index);

  std::int64_t up = start, down = start - 1;
  bool up_open = up < t.count, down_open = down >= 0;
  for (;;) {
    // A direction closes when its next (L difference)^2 exceeds any lane's best.
    if (up_open) {
      double dl = p.L - t.L[up];
      up_open = !Ops::any_greater(Ops::splat(dl * dl), best_d);
    }
    if (down_open) {
      double dl = p.L - t.L[down];
      down_open = !Ops::any_greater(Ops::splat(dl * dl), best_d);
    }
    if (!up_open && !down_open) break;
    // Slots [low, low + kGroup) in the low lanes, [high, high + kGroup) in the
    // high ones; a closed direction reads guard slots, which never win.
    const std::int64_t low = down_open ? down - (kGroup - 1) : -kGroup;
    const std::int64_t high = up_open ? up : t.count;
    const V e_chroma2 = Ops::join(t.chroma2 + low, t.chroma2 + high);
    const V dl = p_L - Ops::join(t.L + low, t.L + high);
    V d = weighted_distance(Ops::abs(p_c - e_chroma2), p_c + e_chroma2, blend, weight,
                            p_a - Ops::join(t.a + low, t.a + high), p_b - Ops::join(t.b + low, t.b + high),
                            p_alpha - Ops::join(t.alpha + low, t.alpha + high), dl * dl);
    if (p.penalised) d = d + Ops::join(t.penalty + low, t.penalty + high);
    Ops::take(best_d, best_i, d, Ops::join_index(t.index + low, t.index + high));

    if (up_open) {
      up += kGroup;
      up_open = up < t.count;
    }
    if (down_open) {
      down -= kGroup;
      down_open = down >= 0;
    }
  }

  alignas(64) double lane_d[Ops::kLanes];
  alignas(64) std::int64_t lane_i[Ops::kLanes];
  Ops::store(lane_d, best_d);
  Ops::store_index(lane_i, best_i);
  for (int k = 0; k < Ops::kLanes; ++k)
    if (lane_d[k] < best.distance || (lane_d[k] == best.distance && lane_i[k] < best.index))
      best = {lane_d[k], lane_i[k]};
  return best;
}

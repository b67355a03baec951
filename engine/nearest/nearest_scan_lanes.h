#pragma once
// The vector scan, written once over the lane width. Each vector kernel file
// instantiates it with its own lane operations (a type local to that file,
// so the instantiation stays inside the file and its instruction set):
//   V, I            vectors of kLanes doubles and 64-bit indices;
//   splat(double), splat_index(int64)
//   join(low, high) kLanes / 2 slots from each start, low half first;
//   load(double*), load_index(int64*)  kLanes consecutive slots;
//   abs(V)          magnitude;
//   any_greater(x, best)  some lane of x is greater than best's;
//   take(best_d, best_i, d, index)  lanes where d is smaller, or equal with a
//                   smaller index, take d and index;
//   lowest(d, i)    every lane's best moved to lane 0 by take's rule;
//   first(V), first_index(I)  lane 0.
// Each lane keeps its own best and the per-entry arithmetic is the scalar
// kernel's, so the answer is exactly the scalar one.
#include <cstdint>

#include "engine/colour/distance_weights.h"
#include "engine/nearest/nearest_scan.h"

// The probe in every lane, and the distance of kLanes entries to it.
template <class Ops>
struct LaneProbe {
  using V = typename Ops::V;
  V alpha, L, a, b, chroma2, blend, weight;

  LaneProbe(const ScanTable& t, const ScanProbe& p)
      : alpha(Ops::splat(p.alpha)), L(Ops::splat(p.L)), a(Ops::splat(p.a)), b(Ops::splat(p.b)),
        chroma2(Ops::splat(p.chroma2)), blend(Ops::splat(t.blend)), weight(Ops::splat(t.chroma_weight)) {}

  // Entries given by their fields, with the penalty for a penalised probe.
  template <bool kPenalised, class Load>
  V distance(const ScanTable& t, Load load) const {
    const V e_chroma2 = load(t.chroma2);
    const V dl = L - load(t.L);
    V d = weighted_distance(Ops::abs(chroma2 - e_chroma2), chroma2 + e_chroma2, blend, weight, a - load(t.a),
                            b - load(t.b), alpha - load(t.alpha), dl * dl);
    if (kPenalised) d = d + load(t.penalty);
    return d;
  }
};

// The lanes' bests reduced to one by the same rule, starting from `best`.
template <class Ops>
[[gnu::always_inline]] inline ScanBest lowest_lane(typename Ops::V best_d, typename Ops::I best_i, ScanBest best) {
  Ops::lowest(best_d, best_i);
  const ScanBest lane{Ops::first(best_d), Ops::first_index(best_i)};
  const bool taken = lane.distance < best.distance || (lane.distance == best.distance && lane.index < best.index);
  return taken ? lane : best;
}

template <class Ops>
ScanBest scan_lanes(const ScanTable& t, const ScanProbe& p, std::int64_t start, ScanBest best) {
  using V = typename Ops::V;
  using I = typename Ops::I;
  constexpr std::int64_t kGroup = Ops::kLanes / 2;  // entries per direction and step

  const LaneProbe<Ops> probe(t, p);
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
    const auto load = [&](const double* field) { return Ops::join(field + low, field + high); };
    const V d = p.penalised ? probe.template distance<true>(t, load) : probe.template distance<false>(t, load);
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
  return lowest_lane<Ops>(best_d, best_i, best);
}

// kBlockSlots entries at once: independent distances, taken by two chains
// of lanes that start from `best`, so that an entry whose distance is NaN is
// passed over as the scan passes over it.
template <class Ops, bool kPenalised>
[[gnu::always_inline]] inline ScanBest block_lanes(const ScanTable& t, const ScanProbe& p, std::int64_t first, ScanBest best) {
  using V = typename Ops::V;
  using I = typename Ops::I;
  constexpr int kVectors = static_cast<int>(kBlockSlots) / Ops::kLanes;
  static_assert(kVectors * Ops::kLanes == kBlockSlots && kVectors >= 2);

  const LaneProbe<Ops> probe(t, p);
  V d[kVectors];
  I i[kVectors];
#pragma GCC unroll 8
  for (int j = 0; j < kVectors; ++j) {
    const std::int64_t slot = first + j * Ops::kLanes;
    d[j] = probe.template distance<kPenalised>(t, [&](const double* field) { return Ops::load(field + slot); });
    i[j] = Ops::load_index(t.index + slot);
  }
  V best_d[2] = {Ops::splat(best.distance), Ops::splat(best.distance)};
  I best_i[2] = {Ops::splat_index(best.index), Ops::splat_index(best.index)};
#pragma GCC unroll 8
  for (int j = 0; j < kVectors; ++j) Ops::take(best_d[j % 2], best_i[j % 2], d[j], i[j]);
  Ops::take(best_d[0], best_i[0], best_d[1], best_i[1]);
  return lowest_lane<Ops>(best_d[0], best_i[0], best);
}

template <class Ops>
[[gnu::always_inline]] inline ScanBest block_lanes(const ScanTable& t, const ScanProbe& p, std::int64_t first, ScanBest best) {
  return p.penalised ? block_lanes<Ops, true>(t, p, first, best) : block_lanes<Ops, false>(t, p, first, best);
}

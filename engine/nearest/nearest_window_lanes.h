#pragma once
// The window of nearest_window (its WindowTable) measured at once, written over the lane width.
// Each kernel file instantiates it with a type local to that file (so the
// instantiation stays inside the file and its instruction set) providing
//   V, M            vectors of kLanes doubles and of as many 64-bit masks;
//   load(const double*)  kLanes slots from any address;
//   lowest(d, i)    the lane with the smallest d, on a tie the smallest i,
//                   moved to lane 0;
//   any_greater(x, best)  some lane of x is greater than best's;
//   spread_min(d)   the smallest lane of d in every lane;
//   bits(m)         the lanes of mask m as the low kLanes bits.
// The per-entry arithmetic is the scan kernels', so the distances are theirs
// bit for bit.
#include <cstdint>

#include "engine/colour/distance_weights.h"
#include "engine/nearest/nearest_window.h"

// First sorted slot of the window around lightness L.
[[gnu::always_inline]] inline std::int64_t window_start(const WindowTable& w, double L) {
  constexpr int kBuckets = WindowTable::kBuckets;
  const double scaled = L * kBuckets;
  const int bucket = scaled >= 0 ? (scaled < kBuckets ? static_cast<int>(scaled) : kBuckets - 1) : 0;
  return w.window_of_bucket[bucket];
}

// Lanes that hold a smaller distance, or an equal one with a smaller index,
// take it.
template <class Lanes>
[[gnu::always_inline]] inline void take_nearer(typename Lanes::V& best_d, typename Lanes::V& best_i,
                                               typename Lanes::V d, typename Lanes::V index) {
  const typename Lanes::M taken = (d < best_d) | ((d == best_d) & (index < best_i));
  best_d = taken ? d : best_d;
  best_i = taken ? index : best_i;
}

// kUnit: the table's blend and chroma weight are both 1, and multiplying by
// a constant 1 is left out, which changes no value. kOpaque: the probe and
// every entry have alpha 1 (opaque_weighted_distance).
template <class Lanes, bool kUnit = false, bool kOpaque = false>
[[gnu::always_inline]] inline typename Lanes::V window_distances(const WindowTable& w, const ScanProbe& p,
                                                                 std::size_t slot) {
  using V = typename Lanes::V;
  using M = typename Lanes::M;
  const V cq = Lanes::load(w.chroma2 + slot);
  const V diff_c = p.chroma2 - cq;
  const V abs_c = (V)((M)diff_c & 0x7FFFFFFFFFFFFFFFll);
  const V dl = p.L - Lanes::load(w.L + slot);
  const V blend = V{} + (kUnit ? 1.0 : w.blend), weight = V{} + (kUnit ? 1.0 : w.chroma_weight);
  const V da = p.a - Lanes::load(w.a + slot), db = p.b - Lanes::load(w.b + slot);
  if constexpr (kOpaque)
    return opaque_weighted_distance(abs_c, p.chroma2 + cq, blend, weight, da, db, dl * dl);
  else
    return weighted_distance(abs_c, p.chroma2 + cq, blend, weight, da, db, p.alpha - Lanes::load(w.alpha + slot),
                             dl * dl);
}

// When the window cannot settle the answer: kLanes entries a step on each
// side, outward from the window's edges, each lane keeping its own best. A
// side closes when the (L difference)^2 of its next entry, on the probe's
// side of the lightness order, exceeds some lane's best: every entry beyond
// is then farther than that. A closed or exhausted side reads the padding.
template <class Lanes>
[[gnu::noinline]] NearestMatch scan_outward(const WindowTable& w, const ScanProbe& p, std::int64_t start,
                                            typename Lanes::V best_d, typename Lanes::V best_i) {
  using V = typename Lanes::V;
  constexpr std::int64_t kLanes = Lanes::kLanes, kPad = nearest_window::kPad;
  std::int64_t down = start - 1, up = start + nearest_window::kWidth;
  bool down_open = down >= 0, up_open = up < w.count;
  for (;;) {
    if (down_open) {
      const double dl = p.L - w.L[kPad + down];
      down_open = !(dl > 0 && Lanes::any_greater(V{} + dl * dl, best_d));
    }
    if (up_open) {
      const double dl = w.L[kPad + up] - p.L;
      up_open = !(dl > 0 && Lanes::any_greater(V{} + dl * dl, best_d));
    }
    if (!down_open && !up_open) break;
    const std::size_t low = static_cast<std::size_t>(kPad + (down_open ? down - (kLanes - 1) : -kPad));
    const std::size_t high = static_cast<std::size_t>(kPad + (up_open ? up : w.count));
    take_nearer<Lanes>(best_d, best_i, window_distances<Lanes>(w, p, low), Lanes::load(w.index + low));
    take_nearer<Lanes>(best_d, best_i, window_distances<Lanes>(w, p, high), Lanes::load(w.index + high));
    if (down_open) {
      down -= kLanes;
      down_open = down >= 0;
    }
    if (up_open) {
      up += kLanes;
      up_open = up < w.count;
    }
  }
  Lanes::lowest(best_d, best_i);
  return {best_d[0], static_cast<std::int64_t>(best_i[0])};
}

// The nearest entry outside the window on each side bounds all beyond it.
[[gnu::always_inline]] inline bool window_settles(const WindowTable& w, const ScanProbe& p, std::int64_t start,
                                                  double best) {
  const std::size_t first = static_cast<std::size_t>(nearest_window::kPad + start);
  const double below = p.L - w.L[first - 1], above = w.L[first + nearest_window::kWidth] - p.L;
  return (below > 0) & (below * below > best) & (above > 0) & (above * above > best);
}

// The window's best by reducing its lanes pairwise with the tie-break, then
// the outward scan when the window does not settle it.
template <class Lanes>
[[gnu::noinline]] NearestMatch find_in_window_ties(const WindowTable& w, const ScanProbe& p, std::int64_t start,
                                                   const typename Lanes::V* d) {
  using V = typename Lanes::V;
  constexpr int kVectors = static_cast<int>(nearest_window::kWidth) / Lanes::kLanes;
  const std::size_t first = static_cast<std::size_t>(nearest_window::kPad + start);
  V lane_d[kVectors], lane_i[kVectors];
  for (int j = 0; j < kVectors; ++j) {
    lane_d[j] = d[j];
    lane_i[j] = Lanes::load(w.index + first + j * Lanes::kLanes);
  }
  for (int step = 1; step < kVectors; step *= 2)
    for (int j = 0; j + step < kVectors; j += 2 * step)
      take_nearer<Lanes>(lane_d[j], lane_i[j], lane_d[j + step], lane_i[j + step]);
  V best_d = lane_d[0], best_i = lane_i[0];
  Lanes::lowest(best_d, best_i);
  const NearestMatch best{best_d[0], static_cast<std::int64_t>(best_i[0])};
  if (window_settles(w, p, start, best.distance)) return best;
  return scan_outward<Lanes>(w, p, start, lane_d[0], lane_i[0]);
}

// The window's distances, the smallest of them in every lane, and the slots
// (bit j for slot j of the window) that hold it.
template <class Lanes>
struct WindowMeasure {
  static constexpr int kVectors = static_cast<int>(nearest_window::kWidth) / Lanes::kLanes;
  typename Lanes::V d[kVectors], low;
  unsigned at;
};

// The window's distances alone; low and at follow from them (measured_low).
template <class Lanes, bool kUnit = false, bool kOpaque = false>
[[gnu::always_inline]] inline WindowMeasure<Lanes> window_only(const WindowTable& w, const ScanProbe& p,
                                                              std::int64_t start) {
  using Measure = WindowMeasure<Lanes>;
  const std::size_t first = static_cast<std::size_t>(nearest_window::kPad + start);
  Measure m;
#pragma GCC unroll 8
  for (int j = 0; j < Measure::kVectors; ++j)
    m.d[j] = window_distances<Lanes, kUnit, kOpaque>(w, p, first + j * Lanes::kLanes);
  return m;
}

// The slots (bit j for slot j of the window) whose distance is at most `d`.
template <class Lanes>
[[gnu::always_inline]] inline unsigned slots_at_most(const WindowMeasure<Lanes>& m, double d) {
  using Measure = WindowMeasure<Lanes>;
  unsigned at = 0;
#pragma GCC unroll 8
  for (int j = 0; j < Measure::kVectors; ++j)
    at |= Lanes::bits(m.d[j] <= typename Lanes::V{} + d) << (j * Lanes::kLanes);
  return at;
}

// The distance in slot `place` of the window.
template <class Lanes>
[[gnu::always_inline]] inline double slot_distance(const WindowMeasure<Lanes>& m, unsigned place) {
  return m.d[place / Lanes::kLanes][place % Lanes::kLanes];
}

template <class Lanes>
[[gnu::always_inline]] inline void measured_low(WindowMeasure<Lanes>& m) {
  using Measure = WindowMeasure<Lanes>;
  m.low = m.d[0];
#pragma GCC unroll 8
  for (int j = 1; j < Measure::kVectors; ++j) m.low = m.d[j] < m.low ? m.d[j] : m.low;
  m.low = Lanes::spread_min(m.low);
  m.at = 0;
#pragma GCC unroll 8
  for (int j = 0; j < Measure::kVectors; ++j) m.at |= Lanes::bits(m.d[j] == m.low) << (j * Lanes::kLanes);
}

template <class Lanes, bool kUnit = false>
[[gnu::always_inline]] inline WindowMeasure<Lanes> measure_window(const WindowTable& w, const ScanProbe& p,
                                                                 std::int64_t start) {
  WindowMeasure<Lanes> m = window_only<Lanes, kUnit>(w, p, start);
  measured_low(m);
  return m;
}

// Nearly always one slot holds the smallest distance, and then its entry is
// the window's best; equal distances (and a NaN probe, which matches no
// slot) take the pairwise reduction with the tie-break.
[[gnu::always_inline]] inline bool one_slot(unsigned at) { return ((at & (at - 1)) == 0) & (at != 0); }

// The entry of the lowest slot in `at` (the window's last when none is).
[[gnu::always_inline]] inline double slot_entry(const WindowTable& w, std::int64_t start, unsigned at) {
  constexpr unsigned kLast = 1u << (nearest_window::kWidth - 1);
  return w.index[static_cast<std::size_t>(nearest_window::kPad + start + __builtin_ctz(at | kLast))];
}

template <class Lanes>
[[gnu::always_inline]] inline NearestMatch finish_window(const WindowTable& w, const ScanProbe& p, std::int64_t start,
                                                         const WindowMeasure<Lanes>& m) {
  using V = typename Lanes::V;
  if (!one_slot(m.at)) [[unlikely]]
    return find_in_window_ties<Lanes>(w, p, start, m.d);
  const double index = slot_entry(w, start, m.at);
  const NearestMatch best{m.low[0], static_cast<std::int64_t>(index)};
  if (window_settles(w, p, start, best.distance)) return best;
  // Every lane starting from the window's best scans as the lanes of the
  // pairwise reduction would: the smallest lane and the answer are the same.
  return scan_outward<Lanes>(w, p, start, m.low, V{} + index);
}

template <class Lanes>
[[gnu::always_inline]] inline NearestMatch find_in_window(const WindowTable& w, const ScanProbe& p,
                                                          std::int64_t start) {
  return finish_window<Lanes>(w, p, start, measure_window<Lanes>(w, p, start));
}

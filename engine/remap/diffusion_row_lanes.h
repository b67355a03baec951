#pragma once
// The row loop of error diffusion, written once over the lane width of the
// window search (nearest_window_lanes.h). Each kernel file instantiates it
// with its own lane type. Everything here has internal linkage or is always
// inlined, so no copy compiled for one instruction set can stand in for
// another file's: hence the local twins of clamping and color_difference,
// which keep those functions' operations exactly.
#include <cmath>
#include <cstdint>

#include "engine/colour/distance_weights.h"
#include "engine/nearest/nearest_window_lanes.h"
#include "engine/remap/diffusion_row.h"
#include "engine/unbounded.h"

namespace {

// A colour or an error as four lanes: alpha, L, a, b, the order of WorkColor
// and Error4. Each lane takes the operations the scalar code gave it, in the
// same order, so the results are the same bit for bit.
using Quad = double __attribute__((vector_size(32)));

[[gnu::always_inline]] inline Quad load_quad(const void* from) {
  Quad q;
  __builtin_memcpy(&q, from, sizeof q);
  return q;
}

[[gnu::always_inline]] inline void store_quad(void* to, Quad q) { __builtin_memcpy(to, &q, sizeof q); }

// std::min(std::max(v, lo), hi) in each lane, operation for operation.
[[gnu::always_inline]] inline Quad clamp_to(Quad v, Quad lo, Quad hi) {
  const Quad above = v < lo ? lo : v;
  return hi < above ? hi : above;
}

[[gnu::always_inline]] inline double chroma_of(const WorkColor& c) {
  const double db = c.b - kNeutralB, da = c.a - kNeutralA;
  return db * db + da * da;
}

// color_difference(c, q) with both squared chromas known.
[[gnu::always_inline]] inline double difference(const WorkColor& c, double cp, const WorkColor& q, double cq,
                                                double chroma_weight, double blend) {
  const double dl = c.L - q.L;
  return weighted_distance(std::fabs(cp - cq), cp + cq, blend, chroma_weight, c.a - q.a, c.b - q.b,
                           c.alpha - q.alpha, dl * dl);
}

// The nearest entry to an unpenalised colour once its window is measured;
// the index's own search for a colour so far out (or NaN) that no entry is
// within the unguided bound.
template <class Lanes>
[[gnu::always_inline]] inline NearestMatch settle_unpenalised(const DiffusionPass& pass, const WorkColor& c,
                                                              const ScanProbe& probe, std::int64_t guess,
                                                              double guess_d, std::int64_t start,
                                                              const WindowMeasure<Lanes>& measured) {
  const NearestMatch m = finish_window<Lanes>(*pass.window, probe, start, measured);
  if (m.distance < kUnbounded) return m;
  return pass.index->find(c, guess, guess_d);
}

template <class Lanes, bool kUnit>
[[gnu::always_inline]] inline NearestMatch nearest_unpenalised(const DiffusionPass& pass, const WorkColor& c,
                                                               const ScanProbe& probe, std::int64_t guess,
                                                               double guess_d) {
  const std::int64_t start = window_start(*pass.window, c.L);
  return settle_unpenalised<Lanes>(pass, c, probe, guess, guess_d, start,
                                   measure_window<Lanes, kUnit>(*pass.window, probe, start));
}

// The distances of the window from slot `start`, without the alpha term
// where it only adds +0.
template <class Lanes, bool kUnit>
[[gnu::always_inline]] inline WindowMeasure<Lanes> guess_window(const DiffusionPass& pass, const ScanProbe& probe,
                                                               std::int64_t start) {
  return pass.opaque && probe.alpha == 1.0 ? window_only<Lanes, kUnit, true>(*pass.window, probe, start)
                                           : window_only<Lanes, kUnit>(*pass.window, probe, start);
}

// Whether the guess r, at distance d, is the nearest entry by the window
// measured from slot `start`: the guess has a slot there (whose distance is
// d, bit for bit), no other slot's distance is at most d, and the window
// settles on d. Comparing with d, known early, spares waiting for the
// window's least distance. (A window placed around the guess instead would
// be known earlier still, but settles less often where the guess is poor.)
template <class Lanes>
[[gnu::always_inline]] inline bool guess_is_nearest(const DiffusionPass& pass, const ScanProbe& probe,
                                                    std::int64_t r, double d, std::int64_t start,
                                                    const WindowMeasure<Lanes>& measured) {
  const std::int64_t place = pass.rank[r] - start;
  const unsigned guess_slot = place >= 0 && place < nearest_window::kWidth ? 1u << place : 0u;
  return (guess_slot != 0) & (slots_at_most(measured, d) == guess_slot) &
         window_settles(*pass.window, probe, start, d);
}

// kUnit: blend and chroma weight are both 1 (see window_distances).
template <class Lanes, bool kUnit>
std::uint32_t diffuse_row_lanes(const DiffusionPass& pass, const DiffusionRow& row) {
  std::uint32_t kept = 0;
  const WindowTable& window = *pass.window;
  const double chroma_weight = kUnit ? 1.0 : window.chroma_weight, blend = kUnit ? 1.0 : window.blend;
  const std::int64_t n = pass.count;
  const std::ptrdiff_t dir = row.forward ? 1 : -1;
  // The working range of each channel, then the palette box; alpha has no
  // box, and clamping to infinities leaves it as it is.
  constexpr double kInf = __builtin_inf();
  const Quad range_lo{0.0, 0.0, 0.118, 0.102}, range_hi{1.0, 1.0, 0.636, 0.884};
  const Quad box_lo{-kInf, pass.box_lo[0], pass.box_lo[1], pass.box_lo[2]};
  const Quad box_hi{kInf, pass.box_hi[0], pass.box_hi[1], pass.box_hi[2]};
  // The next pixel's incoming error, kept in registers: this row's slots
  // are read once each, so the share passed ahead need not be stored.
  Quad ahead = load_quad(&row.current[row.forward ? 1 : row.width]);
  // The next row's slot under this pixel, which the next pixel's share
  // behind completes: each slot is stored once, and every slot the next row
  // reads is stored, so the buffer needs no clearing. The sums start from
  // +0.0 as a cleared slot did.
  Quad below{};
  for (std::uint32_t step = 0; step < row.width; ++step) {
    const std::uint32_t x = row.forward ? step : row.width - 1 - step;
    const std::size_t slot = x + 1;
    const Quad e = ahead;
    ahead = load_quad(&row.current[slot + dir]);
    const WorkColor& px = row.colour[x];
    if (px.alpha < kAlmostTransparent) {
      row.output[x] = static_cast<std::uint8_t>(pass.transparent);
      store_quad(&row.next[slot - dir], below);
      below = Quad{};
      continue;  // passes no error on
    }
    const double v = row.level[x];
    const Quad dithered = clamp_to(clamp_to(load_quad(&px) + e * v, range_lo, range_hi), box_lo, box_hi);
    const WorkColor c{dithered[0], dithered[1], dithered[2], dithered[3]};
    const double cp = chroma_of(c);
    const bool penalised = c.alpha > pass.opaque_threshold;

    // An index from the plain remap is the guess; one out of the palette's
    // range (not written by remap_plain) is ignored.
    const std::int64_t r = pass.radius ? row.output[x] : -1;
    std::int64_t k = r;
    double d = 0.0;
    bool searched = true;
    const ScanProbe probe{c.alpha, c.L, c.a, c.b, cp, false};
    if (r >= 0 && r < n && row.eager && !penalised) {
      // Where few pixels stay within the radius, whether one does is hard
      // to foresee; deciding on the radius and the window together is easy,
      // since the window mostly finds the guess.
      const std::int64_t start = window_start(window, c.L);
      WindowMeasure<Lanes> measured = guess_window<Lanes, kUnit>(pass, probe, start);
      const std::int64_t place = pass.rank[r] - start;
      bool keep;
      if (place >= 0 && place < nearest_window::kWidth) [[likely]] {
        // The window measured the guess with the same operations on the
        // same values as its own difference: that is d, bit for bit, and
        // the scalar difference need not be computed again.
        d = slot_distance(measured, static_cast<unsigned>(place));
        const bool within = pass.radius[r] > d;
        kept += within;
        keep = within | guess_is_nearest(pass, probe, r, d, start, measured);
      } else {
        d = difference(c, cp, pass.colour[r], pass.chroma2[r], chroma_weight, blend);
        keep = pass.radius[r] > d;
        kept += keep;
      }
      if (keep) {
        searched = false;
      } else {
        measured_low(measured);
        const NearestMatch m = settle_unpenalised<Lanes>(pass, c, probe, r, d, start, measured);
        k = m.index;
        d = m.distance;
      }
    } else if (r >= 0 && r < n) {
      d = difference(c, cp, pass.colour[r], pass.chroma2[r], chroma_weight, blend);
      const bool within = pass.radius[r] > d;
      kept += within;
      if (within) {
        searched = false;
      } else if (!penalised) {
        const std::int64_t start = window_start(window, c.L);
        WindowMeasure<Lanes> measured = guess_window<Lanes, kUnit>(pass, probe, start);
        if (!guess_is_nearest(pass, probe, r, d, start, measured)) {
          measured_low(measured);
          const NearestMatch m = settle_unpenalised<Lanes>(pass, c, probe, r, d, start, measured);
          k = m.index;
          d = m.distance;
        }
      } else {
        // The penalty would make the guess's distance inexact: search afresh.
        const bool skip_guess = pass.colour[r].alpha < 1.0;
        const NearestMatch m = skip_guess ? pass.index->find(c, -1, 0.0) : pass.index->find(c, r, d);
        k = m.index;
        d = m.distance;
      }
    } else {
      const NearestMatch m = penalised ? pass.index->find(c, -1, 0.0)
                                       : nearest_unpenalised<Lanes, kUnit>(pass, c, probe, -1, 0.0);
      k = m.index;
      d = m.distance;
    }
    const WorkColor& chosen = pass.colour[k];
    // The diffusion limit compares colour differences, so leave the penalty out.
    if (searched && penalised && chosen.alpha < 1.0)
      d = difference(c, cp, chosen, pass.chroma2[k], chroma_weight, blend);
    row.output[x] = static_cast<std::uint8_t>(k);

    // Error x s in alpha; error x s x (alpha + 3) / 4 in L, a and b, where
    // dividing by 4 and multiplying by 0.25 give the same double.
    const double s = d > pass.diffusion_limit ? v * 0.75 : v;
    const double cover = chosen.alpha + 3;
    const Quad out = (dithered - load_quad(&chosen)) * s * Quad{1.0, cover, cover, cover} * Quad{1.0, 0.25, 0.25, 0.25};
    ahead += out * (7.0 / 16);                               // ahead in this row
    store_quad(&row.next[slot - dir], below + out * (4.0 / 16));  // next row, one column behind
    below = Quad{} + out * (5.0 / 16);                       // next row, same column
  }
  store_quad(&row.next[row.forward ? row.width : 1], below);
  return kept;
}

// The row loop for a pass's metric: the unit one (blend and chroma weight
// both 1) drops its multiplications by 1.
template <class Lanes>
std::uint32_t diffuse_row_for_metric(const DiffusionPass& pass, const DiffusionRow& row) {
  const WindowTable& w = *pass.window;
  return w.blend == 1.0 && w.chroma_weight == 1.0 ? diffuse_row_lanes<Lanes, true>(pass, row)
                                                 : diffuse_row_lanes<Lanes, false>(pass, row);
}

}  // namespace

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

// std::min(std::max(v, lo), hi), operation for operation.
[[gnu::always_inline]] inline double clamp_to(double v, double lo, double hi) {
  const double above = v < lo ? lo : v;
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

[[gnu::always_inline]] inline void add_share(Error4& slot, const Error4& error, double share) {
  slot.alpha += error.alpha * share;
  slot.L += error.L * share;
  slot.a += error.a * share;
  slot.b += error.b * share;
}

// The nearest entry to an unpenalised colour; the index's own search for a
// colour so far out (or NaN) that no entry is within the unguided bound.
template <class Lanes>
[[gnu::always_inline]] inline NearestMatch nearest_unpenalised(const DiffusionPass& pass, const WorkColor& c,
                                                               double cp, std::int64_t guess, double guess_d,
                                                               std::int64_t start) {
  const NearestMatch m = find_in_window<Lanes>(*pass.window, ScanProbe{c.alpha, c.L, c.a, c.b, cp, false}, start);
  if (m.distance < kUnbounded) return m;
  return pass.index->find(c, guess, guess_d);
}

template <class Lanes>
void diffuse_row_lanes(const DiffusionPass& pass, const DiffusionRow& row) {
  const WindowTable& window = *pass.window;
  const double chroma_weight = window.chroma_weight, blend = window.blend;
  const std::int64_t n = pass.count;
  const std::ptrdiff_t dir = row.forward ? 1 : -1;
  // The next pixel's incoming error, kept in registers: this row's slots
  // are read once each, so the share passed ahead need not be stored.
  Error4 ahead = row.current[row.forward ? 1 : row.width];
  for (std::uint32_t step = 0; step < row.width; ++step) {
    const std::uint32_t x = row.forward ? step : row.width - 1 - step;
    const std::size_t slot = x + 1;
    const Error4 e = ahead;
    ahead = row.current[slot + dir];
    const WorkColor& px = row.colour[x];
    if (px.alpha < kAlmostTransparent) {
      row.output[x] = static_cast<std::uint8_t>(pass.transparent);
      continue;  // passes no error on
    }
    const double v = row.level[x];
    WorkColor c;
    c.alpha = clamp_to(px.alpha + v * e.alpha, 0.0, 1.0);
    c.L = clamp_to(clamp_to(px.L + v * e.L, 0.0, 1.0), pass.box_lo[0], pass.box_hi[0]);
    c.a = clamp_to(clamp_to(px.a + v * e.a, 0.118, 0.636), pass.box_lo[1], pass.box_hi[1]);
    c.b = clamp_to(clamp_to(px.b + v * e.b, 0.102, 0.884), pass.box_lo[2], pass.box_hi[2]);
    const double cp = chroma_of(c);
    const bool penalised = c.alpha > pass.opaque_threshold;

    // An index from the plain remap is the guess; one out of the palette's
    // range (not written by remap_plain) is ignored.
    const std::int64_t r = pass.radius ? row.output[x] : -1;
    std::int64_t k = r;
    double d = 0.0;
    bool searched = true;
    if (r >= 0 && r < n) {
      d = difference(c, cp, pass.colour[r], pass.chroma2[r], chroma_weight, blend);
      if (pass.radius[r] > d) {
        searched = false;
      } else if (!penalised) {
        const NearestMatch m = nearest_unpenalised<Lanes>(pass, c, cp, r, d, window_start(window, c.L));
        k = m.index;
        d = m.distance;
      } else {
        // The penalty would make the guess's distance inexact: search afresh.
        const bool skip_guess = pass.colour[r].alpha < 1.0;
        const NearestMatch m = skip_guess ? pass.index->find(c, -1, 0.0) : pass.index->find(c, r, d);
        k = m.index;
        d = m.distance;
      }
    } else {
      const NearestMatch m = penalised ? pass.index->find(c, -1, 0.0)
                                       : nearest_unpenalised<Lanes>(pass, c, cp, -1, 0.0, window_start(window, c.L));
      k = m.index;
      d = m.distance;
    }
    const WorkColor& chosen = pass.colour[k];
    // The diffusion limit compares colour differences, so leave the penalty out.
    if (searched && penalised && chosen.alpha < 1.0)
      d = difference(c, cp, chosen, pass.chroma2[k], chroma_weight, blend);
    row.output[x] = static_cast<std::uint8_t>(k);

    const double s = d > pass.diffusion_limit ? v * 0.75 : v;
    const Error4 out{(c.alpha - chosen.alpha) * s, (c.L - chosen.L) * s * (chosen.alpha + 3) / 4,
                     (c.a - chosen.a) * s * (chosen.alpha + 3) / 4, (c.b - chosen.b) * s * (chosen.alpha + 3) / 4};
    add_share(ahead, out, 7.0 / 16);                    // ahead in this row
    add_share(row.next[slot - dir], out, 4.0 / 16);     // next row, one column behind
    add_share(row.next[slot], out, 5.0 / 16);           // next row, same column
  }
}

}  // namespace

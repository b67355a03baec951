#pragma once
// The vector screening kernel, written once over the lane width. Each vector
// kernel file instantiates it with its own lane operations (a type local to
// that file, so the instantiation stays inside it and its instruction set):
//   V, M            vector of kLanes doubles and its lane mask;
//   splat, load, store;
//   abs(V); less(x, y), less_equal(x, y) -> M; both(M, M) -> M;
//   select(m, if_set, if_clear);
//   cbrt_seed(t)    the inverse cube root seed from the float bits of t;
//   negate_below_zero(v)  the scalar kernel's compare-and-negate.
// The operations and their order are the scalar kernel's, so all agree bit for bit.
#include <cstddef>
#include <limits>

#include "engine/colour/distance_weights.h"
#include "engine/dither/plan_screening.h"
#include "engine/dither/plan_screening_math.h"

namespace plan_screening {

template <class Ops>
[[gnu::always_inline]] inline typename Ops::V lanes_cbrt(typename Ops::V t) {
  using V = typename Ops::V;
  V y = Ops::cbrt_seed(t);
  for (int i = 0; i < 2; ++i) {
    V e = 1.0 - t * ((y * y) * y);
    y = y + y * (e * (kThird + e * (kTwoNinths + e * kFourteen81sts)));
  }
  return t * (y * y);
}

template <class Ops>
[[gnu::always_inline]] inline typename Ops::V lanes_f(typename Ops::V t) {
  using V = typename Ops::V;
  V linear = (t * kKappa + 16.0) * (1.0 / 116.0);
  return Ops::select(Ops::less_equal(t, Ops::splat(kEpsilon)), linear, lanes_cbrt<Ops>(t));
}

template <class Ops>
void screen_lanes(const ScreeningBatch& batch, const ScreeningPixel& p, double* out) {
  using V = typename Ops::V;
  const V largest = Ops::splat(kLargest);
  for (std::size_t c = 0; c < batch.count; c += Ops::kLanes) {
    V x = Ops::load(batch.x + c), y = Ops::load(batch.y + c), z = Ops::load(batch.z + c);
    auto valid = Ops::both(Ops::both(Ops::less(Ops::abs(x), largest), Ops::less(Ops::abs(y), largest)),
                           Ops::less(Ops::abs(z), largest));
    V fx = lanes_f<Ops>(x), fy = lanes_f<Ops>(y), fz = lanes_f<Ops>(z);
    V L = (116.0 * fy - 16.0) * 0.01;
    V a = (500.0 * (fx - fy) + 134.0) * (1.0 / 354.0);
    V b = (200.0 * (fy - fz) + 140.0) * (1.0 / 262.0);
    V db0 = b - kNeutralB, da0 = a - kNeutralA;
    V cq = db0 * db0 + da0 * da0;
    V p_c = Ops::splat(p.chroma2);
    V dl = p.L - L;
    V d = weighted_distance(Ops::negate_below_zero(p_c - cq), p_c + cq, Ops::splat(p.blend),
                            Ops::splat(p.chroma_weight), p.a - a, p.b - b, p.alpha - Ops::load(batch.alpha + c),
                            dl * dl);
    d = d + Ops::load(batch.reach + c);
    Ops::store(out + c, Ops::select(valid, d, Ops::splat(-std::numeric_limits<double>::infinity())));
  }
}

}  // namespace plan_screening

// Four lanes: the next two entries upward and the next two downward. Each
// lane keeps its own best; the per-entry arithmetic follows the scalar order
// exactly (no fused multiply-add), so the answer is the scalar one.
#include <immintrin.h>

#include "engine/nearest/nearest_scan.h"

namespace {

struct Lanes {
  __m256d alpha, L, a, b, chroma2, penalty;
  __m256i index;
};

inline __m256d join(const double* low, const double* high) {
  return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(low)), _mm_loadu_pd(high), 1);
}

// Slots [down_first, down_first + 1] in the low half, [up_first, up_first + 1] in the high half.
inline Lanes load(const ScanTable& t, std::int64_t down_first, std::int64_t up_first) {
  Lanes l;
  l.alpha = join(t.alpha + down_first, t.alpha + up_first);
  l.L = join(t.L + down_first, t.L + up_first);
  l.a = join(t.a + down_first, t.a + up_first);
  l.b = join(t.b + down_first, t.b + up_first);
  l.chroma2 = join(t.chroma2 + down_first, t.chroma2 + up_first);
  l.penalty = join(t.penalty + down_first, t.penalty + up_first);
  l.index = _mm256_castpd_si256(join(reinterpret_cast<const double*>(t.index + down_first),
                                     reinterpret_cast<const double*>(t.index + up_first)));
  return l;
}


}  // namespace

ScanBest nearest_scan_avx2(const ScanTable& t, const ScanProbe& p, std::int64_t start,
                           ScanBest best) {
  const __m256d sign = _mm256_set1_pd(-0.0);
  const __m256d p_alpha = _mm256_set1_pd(p.alpha), p_L = _mm256_set1_pd(p.L);
  const __m256d p_a = _mm256_set1_pd(p.a), p_b = _mm256_set1_pd(p.b);
  const __m256d p_c = _mm256_set1_pd(p.chroma2);
  const __m256d blend = _mm256_set1_pd(t.blend), weight = _mm256_set1_pd(t.chroma_weight);
  const __m256d half = _mm256_set1_pd(0.5), thirty = _mm256_set1_pd(30.0);
  const __m256d one = _mm256_set1_pd(1.0), two = _mm256_set1_pd(2.0);
  const __m256d wa = _mm256_set1_pd(1.003641), wb = _mm256_set1_pd(0.549752);

  __m256d best_d = _mm256_set1_pd(best.distance);
  __m256i best_i = _mm256_set1_epi64x(best.index);

  std::int64_t up = start, down = start - 1;
  bool up_open = up < t.count, down_open = down >= 0;
  for (;;) {
    // A direction closes when its next (L difference)^2 exceeds any lane's best.
    if (up_open) {
      double dl = p.L - t.L[up];
      up_open = _mm256_movemask_pd(_mm256_cmp_pd(_mm256_set1_pd(dl * dl), best_d, _CMP_GT_OQ)) == 0;
    }
    if (down_open) {
      double dl = p.L - t.L[down];
      down_open = _mm256_movemask_pd(_mm256_cmp_pd(_mm256_set1_pd(dl * dl), best_d, _CMP_GT_OQ)) == 0;
    }
    if (!up_open && !down_open) break;
    // A closed direction reads guard slots, which never win.
    Lanes e = load(t, down_open ? down - 1 : -2, up_open ? up : t.count);

    __m256d diff_c = _mm256_andnot_pd(sign, _mm256_sub_pd(p_c, e.chroma2));
    __m256d factor = _mm256_mul_pd(
        _mm256_add_pd(
            _mm256_mul_pd(
                _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(diff_c, blend), _mm256_add_pd(p_c, e.chroma2)),
                              half),
                thirty),
            one),
        weight);
    __m256d da = _mm256_sub_pd(p_a, e.a);
    __m256d db = _mm256_sub_pd(p_b, e.b);
    __m256d dalpha = _mm256_sub_pd(p_alpha, e.alpha);
    __m256d dl = _mm256_sub_pd(p_L, e.L);
    __m256d chroma = _mm256_add_pd(_mm256_mul_pd(wa, _mm256_mul_pd(da, da)),
                                   _mm256_mul_pd(wb, _mm256_mul_pd(db, db)));
    __m256d d = _mm256_add_pd(
        _mm256_add_pd(_mm256_mul_pd(factor, chroma), _mm256_mul_pd(two, _mm256_mul_pd(dalpha, dalpha))),
        _mm256_mul_pd(dl, dl));
    if (p.penalised) d = _mm256_add_pd(d, e.penalty);

    __m256d smaller = _mm256_cmp_pd(d, best_d, _CMP_LT_OQ);
    __m256d equal = _mm256_cmp_pd(d, best_d, _CMP_EQ_OQ);
    __m256d lower_index = _mm256_castsi256_pd(_mm256_cmpgt_epi64(best_i, e.index));
    __m256d take = _mm256_or_pd(smaller, _mm256_and_pd(equal, lower_index));
    best_d = _mm256_blendv_pd(best_d, d, take);
    best_i = _mm256_castpd_si256(
        _mm256_blendv_pd(_mm256_castsi256_pd(best_i), _mm256_castsi256_pd(e.index), take));

    if (up_open) {
      up += 2;
      up_open = up < t.count;
    }
    if (down_open) {
      down -= 2;
      down_open = down >= 0;
    }
  }

  alignas(32) double lane_d[4];
  alignas(32) std::int64_t lane_i[4];
  _mm256_store_pd(lane_d, best_d);
  _mm256_store_si256(reinterpret_cast<__m256i*>(lane_i), best_i);
  for (int k = 0; k < 4; ++k)
    if (lane_d[k] < best.distance || (lane_d[k] == best.distance && lane_i[k] < best.index))
      best = {lane_d[k], lane_i[k]};
  return best;
}

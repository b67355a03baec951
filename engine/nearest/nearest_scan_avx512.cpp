// Eight lanes: the next four entries upward and the next four downward. Each
// lane keeps its own best; the per-entry arithmetic follows the scalar order
// exactly (no fused multiply-add), so the answer is the scalar one.
// GCC 12's AVX-512 intrinsics start from deliberately undefined registers and
// warn about them wherever they are inlined; the values are always overwritten.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include "engine/nearest/nearest_scan.h"

namespace {

struct Lanes {
  __m512d alpha, L, a, b, chroma2, penalty;
  __m512i index;
};

// Four slots from `low`, then four from `high`. Eight slots from either start
// stay inside the table and its guards.
inline __m512d join(const double* low, const double* high) {
  return _mm512_shuffle_f64x2(_mm512_loadu_pd(low), _mm512_loadu_pd(high), 0x44);
}

// Slots [down_first, down_first + 3] in the low half, [up_first, up_first + 3] in the high half.
inline Lanes load(const ScanTable& t, std::int64_t down_first, std::int64_t up_first) {
  Lanes l;
  l.alpha = join(t.alpha + down_first, t.alpha + up_first);
  l.L = join(t.L + down_first, t.L + up_first);
  l.a = join(t.a + down_first, t.a + up_first);
  l.b = join(t.b + down_first, t.b + up_first);
  l.chroma2 = join(t.chroma2 + down_first, t.chroma2 + up_first);
  l.penalty = join(t.penalty + down_first, t.penalty + up_first);
  l.index = _mm512_castpd_si512(join(reinterpret_cast<const double*>(t.index + down_first),
                                     reinterpret_cast<const double*>(t.index + up_first)));
  return l;
}


}  // namespace

ScanBest nearest_scan_avx512(const ScanTable& t, const ScanProbe& p, std::int64_t start,
                             ScanBest best) {
  const __m512i magnitude = _mm512_set1_epi64(0x7FFFFFFFFFFFFFFFll);
  const __m512d p_alpha = _mm512_set1_pd(p.alpha), p_L = _mm512_set1_pd(p.L);
  const __m512d p_a = _mm512_set1_pd(p.a), p_b = _mm512_set1_pd(p.b);
  const __m512d p_c = _mm512_set1_pd(p.chroma2);
  const __m512d blend = _mm512_set1_pd(t.blend), weight = _mm512_set1_pd(t.chroma_weight);
  const __m512d half = _mm512_set1_pd(0.5), thirty = _mm512_set1_pd(30.0);
  const __m512d one = _mm512_set1_pd(1.0), two = _mm512_set1_pd(2.0);
  const __m512d wa = _mm512_set1_pd(1.003641), wb = _mm512_set1_pd(0.549752);

  __m512d best_d = _mm512_set1_pd(best.distance);
  __m512i best_i = _mm512_set1_epi64(best.index);

  std::int64_t up = start, down = start - 1;
  bool up_open = up < t.count, down_open = down >= 0;
  for (;;) {
    // A direction closes when its next (L difference)^2 exceeds any lane's best.
    if (up_open) {
      double dl = p.L - t.L[up];
      up_open = _mm512_cmp_pd_mask(_mm512_set1_pd(dl * dl), best_d, _CMP_GT_OQ) == 0;
    }
    if (down_open) {
      double dl = p.L - t.L[down];
      down_open = _mm512_cmp_pd_mask(_mm512_set1_pd(dl * dl), best_d, _CMP_GT_OQ) == 0;
    }
    if (!up_open && !down_open) break;
    // A closed direction reads guard slots, which never win.
    Lanes e = load(t, down_open ? down - 3 : -4, up_open ? up : t.count);

    __m512d diff_c = _mm512_castsi512_pd(
        _mm512_and_epi64(_mm512_castpd_si512(_mm512_sub_pd(p_c, e.chroma2)), magnitude));
    __m512d factor = _mm512_mul_pd(
        _mm512_add_pd(
            _mm512_mul_pd(
                _mm512_mul_pd(_mm512_add_pd(_mm512_mul_pd(diff_c, blend), _mm512_add_pd(p_c, e.chroma2)),
                              half),
                thirty),
            one),
        weight);
    __m512d da = _mm512_sub_pd(p_a, e.a);
    __m512d db = _mm512_sub_pd(p_b, e.b);
    __m512d dalpha = _mm512_sub_pd(p_alpha, e.alpha);
    __m512d dl = _mm512_sub_pd(p_L, e.L);
    __m512d chroma = _mm512_add_pd(_mm512_mul_pd(wa, _mm512_mul_pd(da, da)),
                                   _mm512_mul_pd(wb, _mm512_mul_pd(db, db)));
    __m512d d = _mm512_add_pd(
        _mm512_add_pd(_mm512_mul_pd(factor, chroma), _mm512_mul_pd(two, _mm512_mul_pd(dalpha, dalpha))),
        _mm512_mul_pd(dl, dl));
    if (p.penalised) d = _mm512_add_pd(d, e.penalty);

    __mmask8 smaller = _mm512_cmp_pd_mask(d, best_d, _CMP_LT_OQ);
    __mmask8 equal = _mm512_cmp_pd_mask(d, best_d, _CMP_EQ_OQ);
    __mmask8 lower_index = _mm512_cmplt_epi64_mask(e.index, best_i);
    __mmask8 take = smaller | (equal & lower_index);
    best_d = _mm512_mask_blend_pd(take, best_d, d);
    best_i = _mm512_mask_blend_epi64(take, best_i, e.index);

    if (up_open) {
      up += 4;
      up_open = up < t.count;
    }
    if (down_open) {
      down -= 4;
      down_open = down >= 0;
    }
  }

  alignas(64) double lane_d[8];
  alignas(64) std::int64_t lane_i[8];
  _mm512_store_pd(lane_d, best_d);
  _mm512_store_si512(lane_i, best_i);
  for (int k = 0; k < 8; ++k)
    if (lane_d[k] < best.distance || (lane_d[k] == best.distance && lane_i[k] < best.index))
      best = {lane_d[k], lane_i[k]};
  return best;
}

// AVX-512 screening kernel: eight candidates per step, the scalar kernel's
// operations in the scalar kernel's order.
#include <immintrin.h>

#include <cstdint>
#include <limits>

#include "engine/dither/plan_screening.h"
#include "engine/dither/plan_screening_math.h"

namespace {
using namespace plan_screening;

inline __m512d splat(double v) { return _mm512_set1_pd(v); }

inline __m512d absolute(__m512d v) { return _mm512_abs_pd(v); }

// Unsigned 32-bit division by 3 in every lane: (x * 0xAAAAAAAB) >> 33.
inline __m256i divide_by_3(__m256i x) {
  const __m256i magic = _mm256_set1_epi32(static_cast<int>(0xAAAAAAABu));
  __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(x, magic), 33);
  __m256i odd = _mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(x, 32), magic), 33);
  return _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
}

inline __m512d screening_cbrt(__m512d t) {
  // The masked conversions with every lane set: the plain ones trip a false
  // uninitialised-value warning in this compiler's headers.
  __m256i bits = _mm256_castps_si256(_mm512_mask_cvtpd_ps(_mm256_setzero_ps(), 0xFF, t));
  bits = _mm256_sub_epi32(_mm256_set1_epi32(static_cast<int>(kSeed)), divide_by_3(bits));
  __m512d y = _mm512_mask_cvtps_pd(_mm512_setzero_pd(), 0xFF, _mm256_castsi256_ps(bits));
  for (int i = 0; i < 2; ++i) {
    __m512d e = _mm512_sub_pd(splat(1.0), _mm512_mul_pd(t, _mm512_mul_pd(_mm512_mul_pd(y, y), y)));
    __m512d series = _mm512_add_pd(splat(kTwoNinths), _mm512_mul_pd(e, splat(kFourteen81sts)));
    series = _mm512_add_pd(splat(kThird), _mm512_mul_pd(e, series));
    y = _mm512_add_pd(y, _mm512_mul_pd(y, _mm512_mul_pd(e, series)));
  }
  return _mm512_mul_pd(t, _mm512_mul_pd(y, y));
}

inline __m512d screening_f(__m512d t) {
  __m512d linear = _mm512_mul_pd(_mm512_add_pd(_mm512_mul_pd(t, splat(kKappa)), splat(16.0)), splat(1.0 / 116.0));
  __mmask8 low = _mm512_cmp_pd_mask(t, splat(kEpsilon), _CMP_LE_OQ);
  return _mm512_mask_blend_pd(low, screening_cbrt(t), linear);
}
}  // namespace

void screen_candidates_avx512(const ScreeningBatch& batch, const ScreeningPixel& p, double* out) {
  for (std::size_t c = 0; c < batch.count; c += 8) {
    __m512d x = _mm512_loadu_pd(batch.x + c), y = _mm512_loadu_pd(batch.y + c),
            z = _mm512_loadu_pd(batch.z + c);
    __mmask8 valid = _mm512_cmp_pd_mask(absolute(x), splat(kLargest), _CMP_LT_OQ) &
                     _mm512_cmp_pd_mask(absolute(y), splat(kLargest), _CMP_LT_OQ) &
                     _mm512_cmp_pd_mask(absolute(z), splat(kLargest), _CMP_LT_OQ);
    __m512d fx = screening_f(x), fy = screening_f(y), fz = screening_f(z);
    __m512d L = _mm512_mul_pd(_mm512_sub_pd(_mm512_mul_pd(splat(116.0), fy), splat(16.0)), splat(0.01));
    __m512d a = _mm512_mul_pd(
        _mm512_add_pd(_mm512_mul_pd(splat(500.0), _mm512_sub_pd(fx, fy)), splat(134.0)), splat(1.0 / 354.0));
    __m512d b = _mm512_mul_pd(
        _mm512_add_pd(_mm512_mul_pd(splat(200.0), _mm512_sub_pd(fy, fz)), splat(140.0)), splat(1.0 / 262.0));
    __m512d db0 = _mm512_sub_pd(b, splat(0.5343511450381679));
    __m512d da0 = _mm512_sub_pd(a, splat(0.3785310734463277));
    __m512d cq = _mm512_add_pd(_mm512_mul_pd(db0, db0), _mm512_mul_pd(da0, da0));
    __m512d diff_c = _mm512_sub_pd(splat(p.chroma2), cq);
    diff_c = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(diff_c, splat(0.0), _CMP_LT_OQ), diff_c,
                                  _mm512_sub_pd(splat(0.0), diff_c));
    __m512d factor = _mm512_add_pd(_mm512_mul_pd(diff_c, splat(p.blend)), _mm512_add_pd(splat(p.chroma2), cq));
    factor = _mm512_mul_pd(_mm512_mul_pd(factor, splat(0.5)), splat(30.0));
    factor = _mm512_mul_pd(_mm512_add_pd(factor, splat(1.0)), splat(p.chroma_weight));
    __m512d da = _mm512_sub_pd(splat(p.a), a), db = _mm512_sub_pd(splat(p.b), b);
    __m512d dalpha = _mm512_sub_pd(splat(p.alpha), _mm512_loadu_pd(batch.alpha + c));
    __m512d dl = _mm512_sub_pd(splat(p.L), L);
    __m512d chroma = _mm512_add_pd(_mm512_mul_pd(splat(1.003641), _mm512_mul_pd(da, da)),
                                   _mm512_mul_pd(splat(0.549752), _mm512_mul_pd(db, db)));
    __m512d d = _mm512_add_pd(_mm512_mul_pd(factor, chroma), _mm512_mul_pd(splat(2.0), _mm512_mul_pd(dalpha, dalpha)));
    d = _mm512_add_pd(_mm512_add_pd(d, _mm512_mul_pd(dl, dl)), _mm512_loadu_pd(batch.reach + c));
    d = _mm512_mask_blend_pd(valid, splat(-std::numeric_limits<double>::infinity()), d);
    _mm512_storeu_pd(out + c, d);
  }
}

// AVX2 screening kernel: four candidates per step, the scalar kernel's
// operations in the scalar kernel's order.
#include <immintrin.h>

#include <cstdint>
#include <limits>

#include "engine/dither/plan_screening.h"
#include "engine/dither/plan_screening_math.h"

namespace {
using namespace plan_screening;

inline __m256d splat(double v) { return _mm256_set1_pd(v); }

inline __m256d absolute(__m256d v) { return _mm256_andnot_pd(splat(-0.0), v); }

// Unsigned 32-bit division by 3 in every lane: (x * 0xAAAAAAAB) >> 33.
inline __m128i divide_by_3(__m128i x) {
  const __m128i magic = _mm_set1_epi32(static_cast<int>(0xAAAAAAABu));
  __m128i even = _mm_srli_epi64(_mm_mul_epu32(x, magic), 33);
  __m128i odd = _mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(x, 32), magic), 33);
  return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

inline __m256d screening_cbrt(__m256d t) {
  __m128i bits = _mm_castps_si128(_mm256_cvtpd_ps(t));
  bits = _mm_sub_epi32(_mm_set1_epi32(static_cast<int>(kSeed)), divide_by_3(bits));
  __m256d y = _mm256_cvtps_pd(_mm_castsi128_ps(bits));
  for (int i = 0; i < 2; ++i) {
    __m256d e = _mm256_sub_pd(splat(1.0), _mm256_mul_pd(t, _mm256_mul_pd(_mm256_mul_pd(y, y), y)));
    __m256d series = _mm256_add_pd(splat(kTwoNinths), _mm256_mul_pd(e, splat(kFourteen81sts)));
    series = _mm256_add_pd(splat(kThird), _mm256_mul_pd(e, series));
    y = _mm256_add_pd(y, _mm256_mul_pd(y, _mm256_mul_pd(e, series)));
  }
  return _mm256_mul_pd(t, _mm256_mul_pd(y, y));
}

inline __m256d screening_f(__m256d t) {
  __m256d linear = _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(t, splat(kKappa)), splat(16.0)), splat(1.0 / 116.0));
  __m256d low = _mm256_cmp_pd(t, splat(kEpsilon), _CMP_LE_OQ);
  return _mm256_blendv_pd(screening_cbrt(t), linear, low);
}
}  // namespace

void screen_candidates_avx2(const ScreeningBatch& batch, const ScreeningPixel& p, double* out) {
  for (std::size_t c = 0; c < batch.count; c += 4) {
    __m256d x = _mm256_loadu_pd(batch.x + c), y = _mm256_loadu_pd(batch.y + c),
            z = _mm256_loadu_pd(batch.z + c);
    __m256d valid = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(absolute(x), splat(kLargest), _CMP_LT_OQ),
                      _mm256_cmp_pd(absolute(y), splat(kLargest), _CMP_LT_OQ)),
        _mm256_cmp_pd(absolute(z), splat(kLargest), _CMP_LT_OQ));
    __m256d fx = screening_f(x), fy = screening_f(y), fz = screening_f(z);
    __m256d L = _mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(splat(116.0), fy), splat(16.0)), splat(0.01));
    __m256d a = _mm256_mul_pd(
        _mm256_add_pd(_mm256_mul_pd(splat(500.0), _mm256_sub_pd(fx, fy)), splat(134.0)), splat(1.0 / 354.0));
    __m256d b = _mm256_mul_pd(
        _mm256_add_pd(_mm256_mul_pd(splat(200.0), _mm256_sub_pd(fy, fz)), splat(140.0)), splat(1.0 / 262.0));
    __m256d db0 = _mm256_sub_pd(b, splat(0.5343511450381679));
    __m256d da0 = _mm256_sub_pd(a, splat(0.3785310734463277));
    __m256d cq = _mm256_add_pd(_mm256_mul_pd(db0, db0), _mm256_mul_pd(da0, da0));
    __m256d diff_c = _mm256_sub_pd(splat(p.chroma2), cq);
    diff_c = _mm256_blendv_pd(diff_c, _mm256_sub_pd(splat(0.0), diff_c),
                              _mm256_cmp_pd(diff_c, splat(0.0), _CMP_LT_OQ));
    __m256d factor = _mm256_add_pd(_mm256_mul_pd(diff_c, splat(p.blend)), _mm256_add_pd(splat(p.chroma2), cq));
    factor = _mm256_mul_pd(_mm256_mul_pd(factor, splat(0.5)), splat(30.0));
    factor = _mm256_mul_pd(_mm256_add_pd(factor, splat(1.0)), splat(p.chroma_weight));
    __m256d da = _mm256_sub_pd(splat(p.a), a), db = _mm256_sub_pd(splat(p.b), b);
    __m256d dalpha = _mm256_sub_pd(splat(p.alpha), _mm256_loadu_pd(batch.alpha + c));
    __m256d dl = _mm256_sub_pd(splat(p.L), L);
    __m256d chroma = _mm256_add_pd(_mm256_mul_pd(splat(1.003641), _mm256_mul_pd(da, da)),
                                   _mm256_mul_pd(splat(0.549752), _mm256_mul_pd(db, db)));
    __m256d d = _mm256_add_pd(_mm256_mul_pd(factor, chroma), _mm256_mul_pd(splat(2.0), _mm256_mul_pd(dalpha, dalpha)));
    d = _mm256_add_pd(_mm256_add_pd(d, _mm256_mul_pd(dl, dl)), _mm256_loadu_pd(batch.reach + c));
    d = _mm256_blendv_pd(splat(-std::numeric_limits<double>::infinity()), d, valid);
    _mm256_storeu_pd(out + c, d);
  }
}

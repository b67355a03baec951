// AVX2 screening kernel: four candidates per step.
#include <immintrin.h>

#include <cstdint>

#include "engine/dither/plan_screening_lanes.h"
#include "tamble/compiled_features.h"

namespace {
using namespace plan_screening;

// Unsigned 32-bit division by 3 in every lane: (x * 0xAAAAAAAB) >> 33.
inline __m128i divide_by_3(__m128i x) {
  const __m128i magic = _mm_set1_epi32(static_cast<int>(0xAAAAAAABu));
  __m128i even = _mm_srli_epi64(_mm_mul_epu32(x, magic), 33);
  __m128i odd = _mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(x, 32), magic), 33);
  return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

struct Avx2 {
  using V = __m256d;
  using M = __m256d;
  static constexpr std::size_t kLanes = 4;

  static V splat(double v) { return _mm256_set1_pd(v); }
  static V load(const double* p) { return _mm256_loadu_pd(p); }
  static void store(double* p, V v) { _mm256_storeu_pd(p, v); }
  static V abs(V v) { return _mm256_andnot_pd(splat(-0.0), v); }
  static M less(V x, V y) { return _mm256_cmp_pd(x, y, _CMP_LT_OQ); }
  static M less_equal(V x, V y) { return _mm256_cmp_pd(x, y, _CMP_LE_OQ); }
  static M both(M x, M y) { return _mm256_and_pd(x, y); }
  static V select(M m, V if_set, V if_clear) { return _mm256_blendv_pd(if_clear, if_set, m); }
  static V negate_below_zero(V v) { return select(less(v, splat(0.0)), _mm256_sub_pd(splat(0.0), v), v); }
  static V cbrt_seed(V t) {
    __m128i bits = _mm_castps_si128(_mm256_cvtpd_ps(t));
    bits = _mm_sub_epi32(_mm_set1_epi32(static_cast<int>(kSeed)), divide_by_3(bits));
    return _mm256_cvtps_pd(_mm_castsi128_ps(bits));
  }
};

}  // namespace

void screen_candidates_avx2(const ScreeningBatch& batch, const ScreeningPixel& p, double* out) {
  screen_lanes<Avx2>(batch, p, out);
}

constinit const tamble::isa_kernel<screen_candidates_fn> kScreenCandidatesAvx2{
    2, tamble::kCompiledFeatures, screen_candidates_avx2, __FILE__};

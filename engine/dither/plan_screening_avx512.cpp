// AVX-512 screening kernel: eight candidates per step.
#include <immintrin.h>

#include <cstdint>

#include "engine/dither/plan_screening_lanes.h"
#include "tamble/compiled_features.h"

namespace {
using namespace plan_screening;

// Unsigned 32-bit division by 3 in every lane: (x * 0xAAAAAAAB) >> 33.
inline __m256i divide_by_3(__m256i x) {
  const __m256i magic = _mm256_set1_epi32(static_cast<int>(0xAAAAAAABu));
  __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(x, magic), 33);
  __m256i odd = _mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(x, 32), magic), 33);
  return _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
}

struct Avx512 {
  using V = __m512d;
  using M = __mmask8;
  static constexpr std::size_t kLanes = 8;

  static V splat(double v) { return _mm512_set1_pd(v); }
  static V load(const double* p) { return _mm512_loadu_pd(p); }
  static void store(double* p, V v) { _mm512_storeu_pd(p, v); }
  static V abs(V v) { return _mm512_abs_pd(v); }
  static M less(V x, V y) { return _mm512_cmp_pd_mask(x, y, _CMP_LT_OQ); }
  static M less_equal(V x, V y) { return _mm512_cmp_pd_mask(x, y, _CMP_LE_OQ); }
  static M both(M x, M y) { return x & y; }
  static V select(M m, V if_set, V if_clear) { return _mm512_mask_blend_pd(m, if_clear, if_set); }
  static V negate_below_zero(V v) { return select(less(v, splat(0.0)), _mm512_sub_pd(splat(0.0), v), v); }
  static V cbrt_seed(V t) {
    // The masked conversions with every lane set: the plain ones trip a false
    // uninitialised-value warning in this compiler's headers.
    __m256i bits = _mm256_castps_si256(_mm512_mask_cvtpd_ps(_mm256_setzero_ps(), 0xFF, t));
    bits = _mm256_sub_epi32(_mm256_set1_epi32(static_cast<int>(kSeed)), divide_by_3(bits));
    return _mm512_mask_cvtps_pd(_mm512_setzero_pd(), 0xFF, _mm256_castsi256_ps(bits));
  }
};

}  // namespace

void screen_candidates_avx512(const ScreeningBatch& batch, const ScreeningPixel& p, double* out) {
  screen_lanes<Avx512>(batch, p, out);
}

constinit const tamble::isa_kernel<screen_candidates_fn> kScreenCandidatesAvx512{
    3, tamble::kCompiledFeatures, screen_candidates_avx512, __FILE__};

// Eight lanes: the next four entries upward and the next four downward.
// GCC 12's AVX-512 intrinsics start from deliberately undefined registers and
// warn about them wherever they are inlined; the values are always overwritten.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>

#include "engine/nearest/nearest_scan_lanes.h"
#include "tamble/compiled_features.h"

namespace {

struct Avx512 {
  using V = __m512d;
  using I = __m512i;
  static constexpr int kLanes = 8;

  static V splat(double v) { return _mm512_set1_pd(v); }
  static I splat_index(std::int64_t v) { return _mm512_set1_epi64(v); }
  // Eight slots from either start stay inside the table and its guards.
  static V join(const double* low, const double* high) {
    return _mm512_shuffle_f64x2(_mm512_loadu_pd(low), _mm512_loadu_pd(high), 0x44);
  }
  static I join_index(const std::int64_t* low, const std::int64_t* high) {
    return _mm512_castpd_si512(join(reinterpret_cast<const double*>(low), reinterpret_cast<const double*>(high)));
  }
  static V load(const double* from) { return _mm512_loadu_pd(from); }
  static I load_index(const std::int64_t* from) { return _mm512_loadu_si512(from); }
  static V abs(V v) {
    return _mm512_castsi512_pd(_mm512_and_epi64(_mm512_castpd_si512(v), _mm512_set1_epi64(0x7FFFFFFFFFFFFFFFll)));
  }
  static bool any_greater(V x, V best) { return _mm512_cmp_pd_mask(x, best, _CMP_GT_OQ) != 0; }
  static void take(V& best_d, I& best_i, V d, I index) {
    __mmask8 smaller = _mm512_cmp_pd_mask(d, best_d, _CMP_LT_OQ);
    __mmask8 equal = _mm512_cmp_pd_mask(d, best_d, _CMP_EQ_OQ);
    __mmask8 lower_index = _mm512_cmplt_epi64_mask(index, best_i);
    __mmask8 taken = smaller | (equal & lower_index);
    best_d = _mm512_mask_blend_pd(taken, best_d, d);
    best_i = _mm512_mask_blend_epi64(taken, best_i, index);
  }
  static void lowest(V& d, I& i) {
    take(d, i, _mm512_shuffle_f64x2(d, d, 0x4E), _mm512_shuffle_i64x2(i, i, 0x4E));
    take(d, i, _mm512_permutex_pd(d, 0x4E), _mm512_permutex_epi64(i, 0x4E));
    take(d, i, _mm512_permute_pd(d, 0x55), _mm512_shuffle_epi32(i, static_cast<_MM_PERM_ENUM>(0x4E)));
  }
  static double first(V v) { return _mm512_cvtsd_f64(v); }
  static std::int64_t first_index(I v) { return _mm_cvtsi128_si64(_mm512_castsi512_si128(v)); }
};

}  // namespace

ScanBest nearest_scan_avx512(const ScanTable& t, const ScanProbe& p, std::int64_t start, ScanBest best) {
  return scan_lanes<Avx512>(t, p, start, best);
}

ScanBest nearest_block_avx512(const ScanTable& t, const ScanProbe& p, std::int64_t first, ScanBest best) {
  return block_lanes<Avx512>(t, p, first, best);
}

// Eight lanes half wasted on the search's early exits: not faster than AVX2 on
// every processor, so the automatic choice takes it only when asked to.
constinit const tamble::isa_kernel<nearest_scan_fn> kNearestScanAvx512{
    3, tamble::kCompiledFeatures, nearest_scan_avx512, __FILE__, "NQ_SCAN_AVX512"};
constinit const tamble::isa_kernel<nearest_block_fn> kNearestBlockAvx512{
    3, tamble::kCompiledFeatures, nearest_block_avx512, __FILE__, "NQ_SCAN_AVX512"};

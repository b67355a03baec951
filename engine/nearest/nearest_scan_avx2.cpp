// Four lanes: the next two entries upward and the next two downward.
#include <immintrin.h>

#include "engine/nearest/nearest_scan_lanes.h"
#include "tamble/compiled_features.h"

namespace {

struct Avx2 {
  using V = __m256d;
  using I = __m256i;
  static constexpr int kLanes = 4;

  static V splat(double v) { return _mm256_set1_pd(v); }
  static I splat_index(std::int64_t v) { return _mm256_set1_epi64x(v); }
  static V join(const double* low, const double* high) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(low)), _mm_loadu_pd(high), 1);
  }
  static I join_index(const std::int64_t* low, const std::int64_t* high) {
    return _mm256_castpd_si256(join(reinterpret_cast<const double*>(low), reinterpret_cast<const double*>(high)));
  }
  static V load(const double* from) { return _mm256_loadu_pd(from); }
  static I load_index(const std::int64_t* from) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
  }
  static V abs(V v) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); }
  static bool any_greater(V x, V best) { return _mm256_movemask_pd(_mm256_cmp_pd(x, best, _CMP_GT_OQ)) != 0; }
  static void take(V& best_d, I& best_i, V d, I index) {
    V smaller = _mm256_cmp_pd(d, best_d, _CMP_LT_OQ);
    V equal = _mm256_cmp_pd(d, best_d, _CMP_EQ_OQ);
    V lower_index = _mm256_castsi256_pd(_mm256_cmpgt_epi64(best_i, index));
    V taken = _mm256_or_pd(smaller, _mm256_and_pd(equal, lower_index));
    best_d = _mm256_blendv_pd(best_d, d, taken);
    best_i = _mm256_castpd_si256(_mm256_blendv_pd(_mm256_castsi256_pd(best_i), _mm256_castsi256_pd(index), taken));
  }
  static void lowest(V& d, I& i) {
    take(d, i, _mm256_permute4x64_pd(d, 0x4E), _mm256_permute4x64_epi64(i, 0x4E));
    take(d, i, _mm256_permute_pd(d, 0x5), _mm256_shuffle_epi32(i, 0x4E));
  }
  static double first(V v) { return _mm256_cvtsd_f64(v); }
  static std::int64_t first_index(I v) { return _mm_cvtsi128_si64(_mm256_castsi256_si128(v)); }
};

}  // namespace

ScanBest nearest_scan_avx2(const ScanTable& t, const ScanProbe& p, std::int64_t start, ScanBest best) {
  return scan_lanes<Avx2>(t, p, start, best);
}

ScanBest nearest_block_avx2(const ScanTable& t, const ScanProbe& p, std::int64_t first, ScanBest best) {
  return block_lanes<Avx2>(t, p, first, best);
}

constinit const tamble::isa_kernel<nearest_scan_fn> kNearestScanAvx2{2, tamble::kCompiledFeatures,
                                                                     nearest_scan_avx2, __FILE__};
constinit const tamble::isa_kernel<nearest_block_fn> kNearestBlockAvx2{2, tamble::kCompiledFeatures,
                                                                       nearest_block_avx2, __FILE__};

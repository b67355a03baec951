// Four values per step.
#include <immintrin.h>

#include "engine/colour/contrast_lanes.h"
#include "tamble/compiled_features.h"

namespace {

struct Avx2 {
  using T = __m256d;
  static constexpr std::size_t kLanes = 4;
  static T splat(double v) { return _mm256_set1_pd(v); }
  static T load(const double* p) { return _mm256_loadu_pd(p); }
  static void store(double* p, T v) { _mm256_storeu_pd(p, v); }
  static T add(T a, T b) { return _mm256_add_pd(a, b); }
  static T sub(T a, T b) { return _mm256_sub_pd(a, b); }
  static T mul(T a, T b) { return _mm256_mul_pd(a, b); }
  static T max(T a, T b) { return _mm256_max_pd(a, b); }
  static T min(T a, T b) { return _mm256_min_pd(a, b); }
  static T abs(T a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
};

}  // namespace

constinit const tamble::isa_kernel<ContrastKernels> kContrastKernelsAvx2{
    2, tamble::kCompiledFeatures,
    ContrastKernels{contrast_lanes::measure<Avx2>, contrast_lanes::cross_row<Avx2>}, __FILE__};

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

// A working colour fills one register, so four pixels' second differences
// are turned into lanes per pixel: the largest over each pixel's components.
__m256d largest_per_pixel(__m256d p0, __m256d p1, __m256d p2, __m256d p3) {
  __m256d m01 = _mm256_max_pd(_mm256_unpacklo_pd(p0, p1), _mm256_unpackhi_pd(p0, p1));
  __m256d m23 = _mm256_max_pd(_mm256_unpacklo_pd(p2, p3), _mm256_unpackhi_pd(p2, p3));
  return _mm256_max_pd(_mm256_permute2f128_pd(m01, m23, 0x20),
                       _mm256_permute2f128_pd(m01, m23, 0x31));
}

void measure(const ColourRows& rows, double* noise, double* edges) {
  const std::size_t w = rows.w;
  const double* row = &rows.row[0].alpha;
  const double* above = &rows.above[0].alpha;
  const double* below = &rows.below[0].alpha;
  const __m256d two = _mm256_set1_pd(2.0);
  std::size_t x = 1;
  for (; x + 4 < w; x += 4) {
    __m256d h[4], v[4];
    for (std::size_t j = 0; j < 4; ++j) {
      const std::size_t at = 4 * (x + j);
      const __m256d curr2 = _mm256_mul_pd(two, _mm256_loadu_pd(row + at));
      h[j] = Avx2::abs(_mm256_sub_pd(
          _mm256_add_pd(_mm256_loadu_pd(row + at - 4), _mm256_loadu_pd(row + at + 4)), curr2));
      v[j] = Avx2::abs(_mm256_sub_pd(
          _mm256_add_pd(_mm256_loadu_pd(above + at), _mm256_loadu_pd(below + at)), curr2));
    }
    contrast_lanes::contrast_values<Avx2>(largest_per_pixel(h[0], h[1], h[2], h[3]),
                                          largest_per_pixel(v[0], v[1], v[2], v[3]), noise + x,
                                          edges ? edges + x : nullptr);
  }
  contrast_lanes::measure_ends(rows, x, noise, edges);
}

}  // namespace

constinit const tamble::isa_kernel<ContrastKernels> kContrastKernelsAvx2{
    2, tamble::kCompiledFeatures, ContrastKernels{measure, contrast_lanes::cross_row<Avx2>},
    __FILE__};

// Cross filters two values per step with SSE2, which every x86-64 processor
// has, one elsewhere; the measure one pixel per step.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/colour/contrast_lanes.h"
#include "tamble/compiled_features.h"

namespace {

#if defined(__SSE2__)
struct Sse2 {
  using T = __m128d;
  static constexpr std::size_t kLanes = 2;
  static T splat(double v) { return _mm_set1_pd(v); }
  static T load(const double* p) { return _mm_loadu_pd(p); }
  static void store(double* p, T v) { _mm_storeu_pd(p, v); }
  static T add(T a, T b) { return _mm_add_pd(a, b); }
  static T sub(T a, T b) { return _mm_sub_pd(a, b); }
  static T mul(T a, T b) { return _mm_mul_pd(a, b); }
  static T max(T a, T b) { return _mm_max_pd(a, b); }
  static T min(T a, T b) { return _mm_min_pd(a, b); }
  static T abs(T a) { return _mm_andnot_pd(_mm_set1_pd(-0.0), a); }
};
using Lanes = Sse2;
#else
using Lanes = contrast_lanes::Scalar;
#endif

void measure(const ColourRows& rows, double* noise, double* edges) {
  contrast_lanes::measure_ends(rows, 1, noise, edges);
}

}  // namespace

constinit const tamble::isa_kernel<ContrastKernels> kContrastKernelsBase{
    0, tamble::kCompiledFeatures, ContrastKernels{measure, contrast_lanes::cross_row<Lanes>},
    __FILE__};

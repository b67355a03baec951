#include "engine/colour/contrast_filters.h"

#include "engine/colour/contrast_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr double kDivisor = 2.0 * kBlurRadius;

}  // namespace

void cross_row(bool is_max, const double* above, const double* row, const double* below,
               std::size_t w, double* dst) {
  contrast_kernels().cross_row(is_max, above, row, below, w, dst);
}

// Pairs of rows share SSE2 registers; each lane does the scalar operations
// in the scalar order.
void blur_rows(const double* const* in, double* const* out, std::size_t count, std::size_t n) {
  const std::size_t r = kBlurRadius;
  double sum[kBlurBatch];
  for (std::size_t k = 0; k < count; ++k) {
    sum[k] = r * in[k][0];
    for (std::size_t i = 0; i < r; ++i) sum[k] += in[k][i];
  }
  for (std::size_t x = 0; x < n; ++x) {
    const std::size_t enter = x + r < n ? x + r : n - 1;
    const std::size_t leave = x < r ? 0 : x - r;
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128d divisor = _mm_set1_pd(kDivisor);
    for (; k + 1 < count; k += 2) {
      __m128d entering = _mm_set_pd(in[k + 1][enter], in[k][enter]);
      __m128d leaving = _mm_set_pd(in[k + 1][leave], in[k][leave]);
      __m128d s2 = _mm_sub_pd(_mm_add_pd(_mm_loadu_pd(sum + k), entering), leaving);
      _mm_storeu_pd(sum + k, s2);
      __m128d mean = _mm_div_pd(s2, divisor);
      _mm_storel_pd(out[k] + x, mean);
      _mm_storeh_pd(out[k + 1] + x, mean);
    }
#endif
    for (; k < count; ++k) {
      sum[k] = sum[k] + in[k][enter] - in[k][leave];
      out[k][x] = sum[k] / kDivisor;
    }
  }
}

void start_column_sums(const double* const* first_rows, double* sum, std::size_t n) {
  for (std::size_t x = 0; x < n; ++x) {
    double s = kBlurRadius * first_rows[0][x];
    for (std::size_t i = 0; i < kBlurRadius; ++i) s += first_rows[i][x];
    sum[x] = s;
  }
}

void step_column_sums(double* sum, const double* entering, const double* leaving, double* out,
                      std::size_t n) {
  std::size_t x = 0;
#if defined(__SSE2__)
  const __m128d divisor = _mm_set1_pd(kDivisor);
  for (; x + 2 <= n; x += 2) {
    __m128d s2 = _mm_sub_pd(_mm_add_pd(_mm_loadu_pd(sum + x), _mm_loadu_pd(entering + x)),
                            _mm_loadu_pd(leaving + x));
    _mm_storeu_pd(sum + x, s2);
    _mm_storeu_pd(out + x, _mm_div_pd(s2, divisor));
  }
#endif
  for (; x < n; ++x) {
    sum[x] = sum[x] + entering[x] - leaving[x];
    out[x] = sum[x] / kDivisor;
  }
}

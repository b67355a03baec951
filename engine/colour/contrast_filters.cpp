#include "engine/colour/contrast_filters.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline double larger(double a, double b) { return a > b ? a : b; }
inline double smaller(double a, double b) { return a < b ? a : b; }

// The SSE2 max/min instructions compute exactly a > b ? a : b and
// a < b ? a : b, so both forms give the same bits.
template <bool kMax>
void cross_row_of(const double* above, const double* row, const double* below, std::size_t w,
                  double* dst) {
  auto pick = [](double a, double b) { return kMax ? larger(a, b) : smaller(a, b); };
  auto one = [&](std::size_t x, std::size_t left, std::size_t right) {
    double v = pick(row[x], row[left]);
    v = pick(v, row[right]);
    v = pick(v, above[x]);
    dst[x] = pick(v, below[x]);
  };
  if (w == 1) {
    one(0, 0, 0);
    return;
  }
  one(0, 0, 1);
  std::size_t x = 1;
#if defined(__SSE2__)
  auto pick2 = [](__m128d a, __m128d b) { return kMax ? _mm_max_pd(a, b) : _mm_min_pd(a, b); };
  for (; x + 2 < w; x += 2) {
    __m128d v = pick2(_mm_loadu_pd(row + x), _mm_loadu_pd(row + x - 1));
    v = pick2(v, _mm_loadu_pd(row + x + 1));
    v = pick2(v, _mm_loadu_pd(above + x));
    _mm_storeu_pd(dst + x, pick2(v, _mm_loadu_pd(below + x)));
  }
#endif
  for (; x + 1 < w; ++x) one(x, x - 1, x + 1);
  one(w - 1, w - 2, w - 1);
}

constexpr double kDivisor = 2.0 * kBlurRadius;

}  // namespace

void cross_row(bool is_max, const double* above, const double* row, const double* below,
               std::size_t w, double* dst) {
  if (is_max)
    cross_row_of<true>(above, row, below, w, dst);
  else
    cross_row_of<false>(above, row, below, w, dst);
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

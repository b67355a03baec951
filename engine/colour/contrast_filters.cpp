#include "engine/colour/contrast_filters.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/colour/row_parallel.h"

namespace {

inline double larger(double a, double b) { return a > b ? a : b; }
inline double smaller(double a, double b) { return a < b ? a : b; }

// One row of a cross filter from the rows above, at and below it. The SSE2
// max/min instructions compute exactly a > b ? a : b and a < b ? a : b, so
// both forms give the same bits.
template <bool kMax>
void cross_row(const double* above, const double* row, const double* below, std::size_t w,
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

constexpr unsigned kMaxSteps = 4;
constexpr std::size_t kChainBlockRows = 32;

// Streams one block of output rows through the chain. Step s keeps its last
// four rows in a ring; a row of step s is made once the rows of step s - 1
// around it exist, pulled on demand from the top of the block's halo down.
class ChainBlock {
 public:
  ChainBlock(const double* in, std::size_t w, std::size_t h, const bool* is_max, unsigned steps)
      : in_(in), w_(w), h_(h), is_max_(is_max), steps_(steps) {
    for (unsigned s = 1; s < steps_; ++s) ring_[s].reset(new double[4 * w_]);
  }

  void run(std::size_t first, std::size_t last, double* out, double* cap) {
    for (unsigned s = 1; s < steps_; ++s) {
      std::size_t halo = steps_ - s;
      made_[s] = first > halo ? first - halo : 0;  // next row to make
    }
    for (std::size_t y = first; y < last; ++y) {
      double* dst = out + y * w_;
      make_row(steps_, y, dst);
      if (cap)
        for (std::size_t x = 0; x < w_; ++x) cap[y * w_ + x] = smaller(dst[x], cap[y * w_ + x]);
    }
  }

 private:
  const double* row_of(unsigned step, std::size_t y) {
    if (step == 0) return in_ + y * w_;
    while (made_[step] <= y) {
      std::size_t r = made_[step]++;
      make_row(step, r, &ring_[step][(r & 3) * w_]);
    }
    return &ring_[step][(y & 3) * w_];
  }

  // Row y of step `step` (1-based) from rows of the step before.
  void make_row(unsigned step, std::size_t y, double* dst) {
    std::size_t below_y = y + 1 < h_ ? y + 1 : y;
    const double* below = row_of(step - 1, below_y);  // makes everything up to it first
    const double* row = row_of(step - 1, y);
    const double* above = row_of(step - 1, y > 0 ? y - 1 : y);
    if (is_max_[step - 1])
      cross_row<true>(above, row, below, w_, dst);
    else
      cross_row<false>(above, row, below, w_, dst);
  }

  const double* in_;
  std::size_t w_, h_;
  const bool* is_max_;
  unsigned steps_;
  std::unique_ptr<double[]> ring_[kMaxSteps];
  std::size_t made_[kMaxSteps] = {};
};

constexpr std::size_t kRadius = 3;
// Rows blurred side by side: independent running sums overlap in the
// pipeline, and the transposed writes fill whole cache lines.
constexpr std::size_t kRowsPerBlock = 32;

// Running mean over 2r values along each of `count` rows of length n, the
// window at x covering x-r+1 .. x+r with both ends clamped: each step adds
// the value entering and subtracts the one leaving. The result for (row k, x)
// goes to out[x * stride + k]. Pairs of rows share SSE2 registers; each lane
// does the scalar operations in the scalar order.
void blur_block(const double* in, std::size_t count, std::size_t n, double* out,
                std::size_t stride) {
  const std::size_t r = kRadius;
  const double divisor = 2.0 * r;
  double sum[kRowsPerBlock];
  const double* rows[kRowsPerBlock];
  for (std::size_t k = 0; k < count; ++k) {
    rows[k] = in + k * n;
    sum[k] = r * rows[k][0];
    for (std::size_t i = 0; i < r; ++i) sum[k] += rows[k][i];
  }
  for (std::size_t x = 0; x < n; ++x) {
    const std::size_t enter = x + r < n ? x + r : n - 1;
    const std::size_t leave = x < r ? 0 : x - r;
    double* dst = out + x * stride;
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128d div2 = _mm_set1_pd(divisor);
    for (; k + 1 < count; k += 2) {
      __m128d entering = _mm_set_pd(rows[k + 1][enter], rows[k][enter]);
      __m128d leaving = _mm_set_pd(rows[k + 1][leave], rows[k][leave]);
      __m128d s2 = _mm_sub_pd(_mm_add_pd(_mm_loadu_pd(sum + k), entering), leaving);
      _mm_storeu_pd(sum + k, s2);
      _mm_storeu_pd(dst + k, _mm_div_pd(s2, div2));
    }
#endif
    for (; k < count; ++k) {
      sum[k] = sum[k] + rows[k][enter] - rows[k][leave];
      dst[k] = sum[k] / divisor;
    }
  }
}

// Blurs `rows` rows of length n and writes them transposed: value (row j, x)
// lands at out[x * rows + j].
void blur_rows_transposed(tamble::device* dev, const double* in, double* out, std::size_t rows,
                          std::size_t n) {
  std::size_t blocks = (rows + kRowsPerBlock - 1) / kRowsPerBlock;
  for_each_row(dev, blocks, n * kRowsPerBlock, [&](std::size_t block) {
    std::size_t first = block * kRowsPerBlock;
    std::size_t count = std::min(kRowsPerBlock, rows - first);
    blur_block(in + first * n, count, n, out + first, rows);
  });
}

}  // namespace

void cross_filter_chain(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                        std::uint32_t height, const bool* is_max, unsigned steps, double* cap) {
  if (steps == 0 || steps > kMaxSteps) return;
  const std::size_t w = width, h = height;
  const std::size_t blocks = (h + kChainBlockRows - 1) / kChainBlockRows;
  for_each_row(dev, blocks, w * kChainBlockRows, [&](std::size_t block) {
    std::size_t first = block * kChainBlockRows;
    std::size_t last = std::min(h, first + kChainBlockRows);
    ChainBlock(in, w, h, is_max, steps).run(first, last, out, cap);
  });
}

void cross_maximum(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                   std::uint32_t height) {
  const bool is_max[] = {true};
  cross_filter_chain(dev, in, out, width, height, is_max, 1);
}

void cross_minimum(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                   std::uint32_t height) {
  const bool is_max[] = {false};
  cross_filter_chain(dev, in, out, width, height, is_max, 1);
}

void box_blur(tamble::device* dev, const double* in, double* scratch, double* out,
              std::uint32_t width, std::uint32_t height) {
  blur_rows_transposed(dev, in, scratch, height, width);
  blur_rows_transposed(dev, scratch, out, width, height);
}

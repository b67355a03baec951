#include "engine/contrast_filters.h"

#include <algorithm>
#include <cstddef>

#include "engine/row_parallel.h"

namespace {

struct Larger {
  double operator()(double a, double b) const { return a > b ? a : b; }
};
struct Smaller {
  double operator()(double a, double b) const { return a < b ? a : b; }
};

template <class Pick>
void cross_filter(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                  std::uint32_t height, Pick pick) {
  const std::size_t w = width;
  for_each_row(dev, height, w, [&](std::size_t y) {
    const double* row = in + y * w;
    const double* above = in + (y > 0 ? y - 1 : y) * w;
    const double* below = in + (y + 1 < height ? y + 1 : y) * w;
    double* dst = out + y * w;
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
    for (std::size_t x = 1; x + 1 < w; ++x) one(x, x - 1, x + 1);
    one(w - 1, w - 2, w - 1);
  });
}

constexpr std::size_t kRadius = 3;
// Rows blurred side by side: independent running sums overlap in the
// pipeline, and the transposed writes fill whole cache lines.
constexpr std::size_t kRowsPerBlock = 32;

// Running mean over 2r values along each of `count` rows of length n, the
// window at x covering x-r+1 .. x+r with both ends clamped. The result for
// (row k, x) goes to out[x * stride + k].
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
  std::size_t x = 0;
  for (; x < r; ++x)
    for (std::size_t k = 0; k < count; ++k) {
      sum[k] = sum[k] + rows[k][x + r] - rows[k][0];
      out[x * stride + k] = sum[k] / divisor;
    }
  for (; x + r < n; ++x)
    for (std::size_t k = 0; k < count; ++k) {
      sum[k] = sum[k] + rows[k][x + r] - rows[k][x - r];
      out[x * stride + k] = sum[k] / divisor;
    }
  for (; x < n; ++x)
    for (std::size_t k = 0; k < count; ++k) {
      sum[k] = sum[k] + rows[k][n - 1] - rows[k][x - r];
      out[x * stride + k] = sum[k] / divisor;
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

void cross_maximum(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                   std::uint32_t height) {
  cross_filter(dev, in, out, width, height, Larger{});
}

void cross_minimum(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                   std::uint32_t height) {
  cross_filter(dev, in, out, width, height, Smaller{});
}

void box_blur(tamble::device* dev, const double* in, double* scratch, double* out,
              std::uint32_t width, std::uint32_t height) {
  blur_rows_transposed(dev, in, scratch, height, width);
  blur_rows_transposed(dev, scratch, out, width, height);
}

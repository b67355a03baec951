#include "engine/contrast_filters.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/row_parallel.h"

namespace {

template <class Pick>
void cross_filter(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                  std::uint32_t height, Pick pick) {
  const std::size_t w = width;
  for_each_row(dev, height, w, [&](std::size_t y) {
    const double* row = in + y * w;
    const double* above = in + (y > 0 ? y - 1 : y) * w;
    const double* below = in + (y + 1 < height ? y + 1 : y) * w;
    double* dst = out + y * w;
    for (std::size_t x = 0; x < w; ++x) {
      double v = pick(row[x], row[x > 0 ? x - 1 : x]);
      v = pick(v, row[x + 1 < w ? x + 1 : x]);
      v = pick(v, above[x]);
      dst[x] = pick(v, below[x]);
    }
  });
}

constexpr std::size_t kRadius = 3;
// Rows blurred together, so the transposed writes fill whole cache lines.
constexpr std::size_t kRowsPerBlock = 8;

// Running mean over 2r values of one row; the window at x covers x-r+1 .. x+r
// with both ends clamped.
void blur_row(const double* row, std::size_t n, double* out) {
  const std::size_t r = kRadius;
  double sum = r * row[0];
  for (std::size_t i = 0; i < r; ++i) sum += row[i];
  const double divisor = 2.0 * r;
  std::size_t x = 0;
  for (; x < r; ++x) {
    sum = sum + row[x + r] - row[0];
    out[x] = sum / divisor;
  }
  for (; x + r < n; ++x) {
    sum = sum + row[x + r] - row[x - r];
    out[x] = sum / divisor;
  }
  for (; x < n; ++x) {
    sum = sum + row[n - 1] - row[x - r];
    out[x] = sum / divisor;
  }
}

// Blurs `rows` rows of length n from in and writes them transposed:
// value (row j, x) lands at out[x * rows + j].
void blur_rows_transposed(tamble::device* dev, const double* in, double* out, std::size_t rows,
                          std::size_t n) {
  std::size_t blocks = (rows + kRowsPerBlock - 1) / kRowsPerBlock;
  for_each_row(dev, blocks, n * kRowsPerBlock, [&](std::size_t block) {
    std::size_t first = block * kRowsPerBlock;
    std::size_t count = std::min(kRowsPerBlock, rows - first);
    std::vector<double> lines(count * n);
    for (std::size_t k = 0; k < count; ++k) blur_row(in + (first + k) * n, n, &lines[k * n]);
    for (std::size_t x = 0; x < n; ++x) {
      double* dst = out + x * rows + first;
      for (std::size_t k = 0; k < count; ++k) dst[k] = lines[k * n + x];
    }
  });
}

}  // namespace

void cross_maximum(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                   std::uint32_t height) {
  cross_filter(dev, in, out, width, height, [](double a, double b) { return a < b ? b : a; });
}

void cross_minimum(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                   std::uint32_t height) {
  cross_filter(dev, in, out, width, height, [](double a, double b) { return b < a ? b : a; });
}

void box_blur(tamble::device* dev, const double* in, double* scratch, double* out,
              std::uint32_t width, std::uint32_t height) {
  blur_rows_transposed(dev, in, scratch, height, width);
  blur_rows_transposed(dev, scratch, out, width, height);
}

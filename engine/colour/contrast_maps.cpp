#include "engine/colour/contrast_maps.h"

#include <cmath>
#include <cstddef>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/colour/contrast_bands.h"

namespace {

inline double larger(double a, double b) { return a > b ? a : b; }
inline double smaller(double a, double b) { return a < b ? a : b; }

// A row of the image as four planes (alpha, L, a, b), so that neighbouring
// pixels sit side by side for the vector code.
constexpr std::size_t kPlanes = 4;
constexpr std::size_t kRowRing = 3;  // the rows above, at and below

void gather_row(const WorkImage& image, std::size_t y, double* planes) {
  const std::size_t w = image.width;
  double* alpha = planes;
  double* l = planes + w;
  double* a = planes + 2 * w;
  double* b = planes + 3 * w;
  for (std::size_t x = 0; x < w; ++x) {
    const WorkColor& c = image.at(y * w + x);
    alpha[x] = c.alpha;
    l[x] = c.L;
    a[x] = c.a;
    b[x] = c.b;
  }
}

// Every value below is the same expression with the same operand order in
// the scalar and the SSE2 form (max and min as a > b ? a : b, a < b ? a : b;
// the largest of four non-negative values does not depend on the order).
inline double second_difference(double prev, double curr, double next) {
  return std::fabs(prev + next - 2.0 * curr);
}

// Raw noise and edge values from the horizontal and vertical differences.
// Second differences can exceed 1 (a one-pixel black and white checker):
// such pixels are as busy as pixels get, so both values stop at 0 rather
// than turning back up (z^4) or going negative.
inline void contrast_values(double horiz, double vert, double* noise, double* edges) {
  double edge = larger(horiz, vert);
  double z = larger(0.0, 1.0 - larger(smaller(horiz, vert), edge - 0.5 * std::fabs(horiz - vert)));
  double z2 = z * z;
  *noise = z2 * z2;
  if (edges) *edges = larger(0.0, 1.0 - edge);
}

struct RowPlanes {
  const double* above;
  const double* row;
  const double* below;
  std::size_t w;
};

void measure_pixel(const RowPlanes& p, std::size_t x, std::size_t left, std::size_t right,
                   double* noise, double* edges) {
  double horiz = 0.0, vert = 0.0;
  for (std::size_t c = 0; c < kPlanes; ++c) {
    const std::size_t o = c * p.w;
    horiz = larger(horiz, second_difference(p.row[o + left], p.row[o + x], p.row[o + right]));
    vert = larger(vert, second_difference(p.above[o + x], p.row[o + x], p.below[o + x]));
  }
  contrast_values(horiz, vert, noise + x, edges ? edges + x : nullptr);
}

void measure_planes(const RowPlanes& p, double* noise, double* edges) {
  const std::size_t w = p.w;
  measure_pixel(p, 0, 0, 1, noise, edges);  // the image is at least 4 pixels wide here
  std::size_t x = 1;
#if defined(__SSE2__)
  const __m128d two = _mm_set1_pd(2.0), one = _mm_set1_pd(1.0), half = _mm_set1_pd(0.5);
  const __m128d zero = _mm_setzero_pd(), sign = _mm_set1_pd(-0.0);
  auto abs2 = [&](__m128d v) { return _mm_andnot_pd(sign, v); };
  for (; x + 2 < w; x += 2) {
    __m128d horiz = zero, vert = zero;
    for (std::size_t c = 0; c < kPlanes; ++c) {
      const std::size_t o = c * w + x;
      const __m128d curr2 = _mm_mul_pd(two, _mm_loadu_pd(p.row + o));
      __m128d h = _mm_sub_pd(_mm_add_pd(_mm_loadu_pd(p.row + o - 1), _mm_loadu_pd(p.row + o + 1)), curr2);
      __m128d v = _mm_sub_pd(_mm_add_pd(_mm_loadu_pd(p.above + o), _mm_loadu_pd(p.below + o)), curr2);
      horiz = _mm_max_pd(horiz, abs2(h));
      vert = _mm_max_pd(vert, abs2(v));
    }
    __m128d edge = _mm_max_pd(horiz, vert);
    __m128d spread = _mm_sub_pd(edge, _mm_mul_pd(half, abs2(_mm_sub_pd(horiz, vert))));
    __m128d z = _mm_max_pd(zero, _mm_sub_pd(one, _mm_max_pd(_mm_min_pd(horiz, vert), spread)));
    __m128d z2 = _mm_mul_pd(z, z);
    _mm_storeu_pd(noise + x, _mm_mul_pd(z2, z2));
    if (edges) _mm_storeu_pd(edges + x, _mm_max_pd(zero, _mm_sub_pd(one, edge)));
  }
#endif
  for (; x + 1 < w; ++x) measure_pixel(p, x, x - 1, x + 1, noise, edges);
  measure_pixel(p, w - 1, w - 2, w - 1, noise, edges);
}

// Raw noise and edge values of row y from local second differences. The
// scratch keeps the planes of the last three image rows.
void measure_row(const WorkImage& image, std::size_t y, bool band_start, double* scratch,
                 double* noise, double* edges) {
  const std::size_t w = image.width, h = image.height;
  const std::size_t above = y > 0 ? y - 1 : y;
  const std::size_t below = y + 1 < h ? y + 1 : y;
  auto planes = [&](std::size_t r) { return scratch + (r % kRowRing) * kPlanes * w; };
  if (band_start)
    for (std::size_t r = above; r <= below; ++r) gather_row(image, r, planes(r));
  else if (below > y)
    gather_row(image, below, planes(below));
  measure_planes(RowPlanes{planes(above), planes(y), planes(below), w}, noise, edges);
}

}  // namespace

void compute_contrast_maps(tamble::device* dev, const WorkColor* image, std::uint32_t width,
                           std::uint32_t height, double* noise_map, double* edge_map) {
  compute_contrast_maps(dev, WorkImage{image, width, height}, noise_map, edge_map);
}

void compute_contrast_maps(tamble::device* dev, const WorkImage& image, double* noise_map,
                           double* edge_map) {
  if (image.width <= 3 || image.height <= 3) return;
  RowMeasure measure{[](const void* ctx, std::size_t y, bool band_start, double* scratch,
                        double* noise, double* edges) {
                       measure_row(*static_cast<const WorkImage*>(ctx), y, band_start, scratch,
                                   noise, edges);
                     },
                     &image, kRowRing * kPlanes * image.width};
  smooth_contrast_maps(dev, image.width, image.height, measure, noise_map, edge_map);
}

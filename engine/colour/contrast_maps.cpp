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

// Largest absolute second difference over the four components. The SSE2
// form does the same operations per component, two components at a time.
#if defined(__SSE2__)
inline double second_difference(const WorkColor& prev, const WorkColor& curr,
                                const WorkColor& next) {
  const __m128d two = _mm_set1_pd(2.0);
  const __m128d sign = _mm_set1_pd(-0.0);
  __m128d front = _mm_sub_pd(_mm_add_pd(_mm_loadu_pd(&prev.alpha), _mm_loadu_pd(&next.alpha)),
                             _mm_mul_pd(two, _mm_loadu_pd(&curr.alpha)));
  __m128d back = _mm_sub_pd(_mm_add_pd(_mm_loadu_pd(&prev.a), _mm_loadu_pd(&next.a)),
                            _mm_mul_pd(two, _mm_loadu_pd(&curr.a)));
  __m128d m = _mm_max_pd(_mm_andnot_pd(sign, front), _mm_andnot_pd(sign, back));
  return _mm_cvtsd_f64(_mm_max_sd(m, _mm_unpackhi_pd(m, m)));
}
#else
inline double second_difference(const WorkColor& prev, const WorkColor& curr,
                                const WorkColor& next) {
  double d_alpha = std::fabs(prev.alpha + next.alpha - 2.0 * curr.alpha);
  double d_l = std::fabs(prev.L + next.L - 2.0 * curr.L);
  double d_a = std::fabs(prev.a + next.a - 2.0 * curr.a);
  double d_b = std::fabs(prev.b + next.b - 2.0 * curr.b);
  return larger(larger(larger(d_alpha, d_l), d_a), d_b);
}
#endif

// Raw noise and edge values of row y from local second differences; edges
// may be null.
void measure_row(const WorkImage& image, std::size_t y, double* noise, double* edges) {
  const std::size_t w = image.width, h = image.height;
  const std::size_t row = y * w;
  const std::size_t above = (y > 0 ? y - 1 : y) * w;
  const std::size_t below = (y + 1 < h ? y + 1 : y) * w;
  auto pixel = [&](std::size_t x, std::size_t left, std::size_t right) {
    const WorkColor& centre = image.at(row + x);
    double horiz = second_difference(image.at(row + left), centre, image.at(row + right));
    double vert = second_difference(image.at(above + x), centre, image.at(below + x));
    double edge = larger(horiz, vert);
    // Second differences can exceed 1 (a one-pixel black and white checker):
    // such pixels are as busy as pixels get, so both values stop at 0 rather
    // than turning back up (z^4) or going negative.
    double z = larger(0.0, 1.0 - larger(smaller(horiz, vert), edge - 0.5 * std::fabs(horiz - vert)));
    double z2 = z * z;
    noise[x] = z2 * z2;
    if (edges) edges[x] = larger(0.0, 1.0 - edge);
  };
  pixel(0, 0, 1);  // the image is at least 4 pixels wide here
  for (std::size_t x = 1; x + 1 < w; ++x) pixel(x, x - 1, x + 1);
  pixel(w - 1, w - 2, w - 1);
}

}  // namespace

void compute_contrast_maps(tamble::device* dev, const WorkColor* image, std::uint32_t width,
                           std::uint32_t height, double* noise_map, double* edge_map) {
  compute_contrast_maps(dev, WorkImage{image, width, height}, noise_map, edge_map);
}

void compute_contrast_maps(tamble::device* dev, const WorkImage& image, double* noise_map,
                           double* edge_map) {
  if (image.width <= 3 || image.height <= 3) return;
  RowMeasure measure{[](const void* ctx, std::size_t y, double* noise, double* edges) {
                        measure_row(*static_cast<const WorkImage*>(ctx), y, noise, edges);
                      },
                      &image};
  smooth_contrast_maps(dev, image.width, image.height, measure, noise_map, edge_map);
}

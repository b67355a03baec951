#include <cmath>
#include <cstddef>

#include "engine/contrast_filters.h"
#include "engine/histogram.h"
#include "engine/row_parallel.h"
#include "tamble/algorithms.h"

namespace {

// Largest absolute second difference over the four components.
inline double second_difference(const WorkColor& prev, const WorkColor& curr,
                                const WorkColor& next) {
  double d_alpha = std::fabs(prev.alpha + next.alpha - 2.0 * curr.alpha);
  double d_l = std::fabs(prev.L + next.L - 2.0 * curr.L);
  double d_a = std::fabs(prev.a + next.a - 2.0 * curr.a);
  double d_b = std::fabs(prev.b + next.b - 2.0 * curr.b);
  return std::fmax(std::fmax(std::fmax(d_alpha, d_l), d_a), d_b);
}

// Raw noise and edge values per pixel from local second differences.
void measure_contrast(tamble::device* dev, const WorkColor* image, std::size_t w, std::size_t h,
                      double* noise, double* edges) {
  for_each_row(dev, h, w, [&](std::size_t y) {
    const WorkColor* row = image + y * w;
    const WorkColor* above = image + (y > 0 ? y - 1 : y) * w;
    const WorkColor* below = image + (y + 1 < h ? y + 1 : y) * w;
    for (std::size_t x = 0; x < w; ++x) {
      double horiz = second_difference(row[x > 0 ? x - 1 : x], row[x], row[x + 1 < w ? x + 1 : x]);
      double vert = second_difference(above[x], row[x], below[x]);
      double edge = std::fmax(horiz, vert);
      double z = 1.0 - std::fmax(std::fmin(horiz, vert), edge - 0.5 * std::fabs(horiz - vert));
      double z2 = z * z;
      noise[y * w + x] = z2 * z2;
      edges[y * w + x] = 1.0 - edge;
    }
  });
}

}  // namespace

bool compute_contrast_maps(tamble::device* dev, const WorkColor* image, std::uint32_t width,
                           std::uint32_t height, double* noise_map, double* edge_map) {
  if (width <= 3 || height <= 3) return true;
  const std::size_t n = std::size_t{width} * height;
  tamble::array<double> scratch_array(dev, n);
  if (scratch_array.failed()) return false;
  double* scratch = scratch_array.data();
  double* noise = noise_map;
  double* edges = edge_map;

  measure_contrast(dev, image, width, height, noise, edges);

  // Widen flat areas, blur, and narrow them again past where they started.
  cross_maximum(dev, noise, scratch, width, height);
  cross_maximum(dev, scratch, noise, width, height);
  if (width >= 7 && height >= 7) box_blur(dev, noise, scratch, noise, width, height);
  cross_maximum(dev, noise, scratch, width, height);
  cross_minimum(dev, scratch, noise, width, height);
  cross_minimum(dev, noise, scratch, width, height);
  cross_minimum(dev, scratch, noise, width, height);

  // Widen the edges and shrink them back, so slivers between edges count as edges.
  cross_minimum(dev, edges, scratch, width, height);
  cross_maximum(dev, scratch, edges, width, height);

  // Edges never exceed importance.
  tamble::for_each_index(dev, n, [&](std::size_t i) { edges[i] = std::fmin(noise[i], edges[i]); });
  return true;
}

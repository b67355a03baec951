#include "engine/colour/contrast_maps.h"

#include <cstddef>

#include "engine/colour/contrast_bands.h"
#include "engine/colour/contrast_kernels.h"

namespace {

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
  contrast_kernels().measure(RowPlanes{planes(above), planes(y), planes(below), w}, noise, edges);
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

#include "engine/colour/contrast_maps.h"

#include <cstddef>

#include "engine/colour/contrast_bands.h"
#include "engine/colour/contrast_kernels.h"

namespace {

constexpr std::size_t kRowRing = 3;  // the rows above, at and below
constexpr std::size_t kColourValues = sizeof(WorkColor) / sizeof(double);

// Raw noise and edge values of row y from local second differences. A
// colour per pixel is read in place; numbered colours are looked up into
// the scratch, which keeps the last three image rows.
void measure_row(const WorkImage& image, std::size_t y, bool band_start, double* scratch,
                 double* noise, double* edges) {
  const std::size_t w = image.width, h = image.height;
  const std::size_t above = y > 0 ? y - 1 : y;
  const std::size_t below = y + 1 < h ? y + 1 : y;
  auto row = [&](std::size_t r) -> const WorkColor* {
    if (!image.ids) return image.pixels + r * w;
    return reinterpret_cast<const WorkColor*>(scratch) + (r % kRowRing) * w;
  };
  auto gather = [&](std::size_t r) {
    WorkColor* dst = reinterpret_cast<WorkColor*>(scratch) + (r % kRowRing) * w;
    const std::uint32_t* ids = image.ids + r * w;
    for (std::size_t x = 0; x < w; ++x) dst[x] = image.pixels[ids[x]];
  };
  if (image.ids) {
    if (band_start)
      for (std::size_t r = above; r <= below; ++r) gather(r);
    else if (below > y)
      gather(below);
  }
  contrast_kernels().measure(ColourRows{row(above), row(y), row(below), w}, noise, edges);
}

// A measure's scratch: the last three rows of gathered colours.
std::size_t measure_scratch_values(std::size_t width, bool numbered) {
  return numbered ? kRowRing * kColourValues * width : 0;
}

RowMeasure row_measure(const WorkImage& image) {
  return RowMeasure{[](const void* ctx, std::size_t y, bool band_start, double* scratch,
                       double* noise, double* edges) {
                      measure_row(*static_cast<const WorkImage*>(ctx), y, band_start, scratch,
                                  noise, edges);
                    },
                    &image, measure_scratch_values(image.width, image.ids != nullptr)};
}

}  // namespace

void compute_contrast_maps(tamble::device* dev, const WorkColor* image, std::uint32_t width,
                           std::uint32_t height, double* noise_map, double* edge_map) {
  compute_contrast_maps(dev, WorkImage{image, width, height}, noise_map, edge_map);
}

void compute_contrast_maps(tamble::device* dev, const WorkImage& image, double* noise_map,
                           double* edge_map) {
  if (image.width <= 3 || image.height <= 3) return;
  smooth_contrast_maps(dev, image.width, image.height, row_measure(image), noise_map, edge_map);
}

void edges_over_noise_map(tamble::device* dev, const WorkImage& image, double* map) {
  if (image.width <= 3 || image.height <= 3) return;
  close_edges_over(dev, image.width, image.height, row_measure(image), map);
}

void stream_noise_map(tamble::device* dev, const WorkImage& image, const NoiseRowsTaker& take,
                      double* edge_map, std::size_t chunk_rows) {
  smooth_noise_in_chunks(dev, image.width, image.height, row_measure(image), take, edge_map,
                         chunk_rows);
}

std::size_t contrast_working_bytes(std::uint32_t width, std::uint32_t height, bool whole_maps) {
  return smoothing_working_values(width, height, measure_scratch_values(width, true), whole_maps) *
         sizeof(double);
}

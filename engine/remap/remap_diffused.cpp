// Error diffusion ("Floyd-Steinberg") on the calling thread: each pixel
// depends on the error its predecessors passed on.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/remap/diffusion_noise.h"
#include "engine/remap/dither_level_source.h"
#include "engine/nearest/nearest.h"
#include "engine/nearest/nearest_window.h"
#include "engine/remap/diffusion_row.h"
#include "engine/remap/remap_image.h"
#include "engine/remap/remap_plain.h"
#include "engine/remap/remap_diffused.h"
#include "engine/unbounded.h"
#include "tamble/isa_dispatch.h"
#include "tamble/runtime.h"

namespace {

// One kernel per level; each declares what its file was compiled for.
const tamble::isa_kernel<diffusion_row_fn>* const kRowKernels[] = {&kDiffuseRowScalar, &kDiffuseRowAvx2};

// The range of dithered colours: the palette's own extent in L, a and b,
// widened by a quarter of its width on each side.
struct PaletteBox {
  double lo[3], hi[3];
};

PaletteBox palette_box(const Palette& palette) {
  PaletteBox box{{palette.entries[0].color.L, palette.entries[0].color.a, palette.entries[0].color.b},
                 {palette.entries[0].color.L, palette.entries[0].color.a, palette.entries[0].color.b}};
  for (const PaletteEntry& e : palette.entries) {
    const double v[3] = {e.color.L, e.color.a, e.color.b};
    for (int c = 0; c < 3; ++c) {
      box.lo[c] = std::min(box.lo[c], v[c]);
      box.hi[c] = std::max(box.hi[c], v[c]);
    }
  }
  for (int c = 0; c < 3; ++c) {
    double margin = (box.hi[c] - box.lo[c]) / 4;
    box.lo[c] -= margin;
    box.hi[c] += margin;
  }
  return box;
}

// A quarter of the distance from each entry to its closest other entry: a
// dithered colour that close to its plain-remap entry cannot be nearer to
// any other entry.
std::vector<double> entry_radii(const Palette& palette, double chroma_weight, double blend) {
  std::uint32_t n = palette.count();
  std::vector<double> radius(n, kUnbounded);
  for (std::uint32_t i = 0; i < n; ++i)
    for (std::uint32_t j = i + 1; j < n; ++j) {
      double d = color_difference(palette.entries[i].color, palette.entries[j].color, chroma_weight,
                                  blend);
      radius[i] = std::min(radius[i], d);
      radius[j] = std::min(radius[j], d);
    }
  for (double& r : radius) r /= 4;
  return radius;
}

}  // namespace

void remap_diffused(tamble::device* dev, const RemapImage& image, const Palette& palette,
                    const EngineSettings& settings, const double* edge_map, bool remapped,
                    double diffusion_limit, std::uint8_t* output) {
  const tamble::isa_kernel<diffusion_row_fn>& kernel =
      tamble::select_auto_kernel(kRowKernels, tamble::effective_isa_level());
  remap_diffused(dev, image, palette, settings, edge_map, remapped, diffusion_limit, output, kernel.level);
}

void remap_diffused(tamble::device* dev, const RemapImage& image, const Palette& palette,
                    const EngineSettings& settings, const double* edge_map, bool remapped,
                    double diffusion_limit, std::uint8_t* output, int level, double eager_below) {
  const std::uint32_t width = image.width, height = image.height;
  if (width == 0 || height == 0) return;
  const std::uint32_t n = palette.count();
  if (n == 0) {
    std::fill(output, output + static_cast<std::size_t>(width) * height, std::uint8_t{0});
    return;
  }
  if (!dev) dev = tamble::get_cpu_device();
  const diffusion_row_fn diffuse_row = tamble::select_kernel(kRowKernels, level).fn;
  const double chroma_weight = settings.chroma_weight, blend = settings.blend;
  const nearest_index index(dev, palette, settings.min_opaque_alpha, settings.metric());
  const nearest_window window(index);
  const std::vector<double> radius =
      remapped ? entry_radii(palette, chroma_weight, blend) : std::vector<double>();
  std::vector<WorkColor> colours(n);
  std::vector<double> chroma2(n);
  std::vector<std::int64_t> rank(n);
  bool opaque = true;
  for (std::uint32_t e = 0; e < n; ++e) {
    colours[e] = palette.entries[e].color;
    chroma2[e] = squared_chroma(colours[e]);
    rank[e] = index.rank(e);
    opaque = opaque && colours[e].alpha == 1.0;
  }
  const PaletteBox box = palette_box(palette);
  const DiffusionPass pass{&window.table(),
                           &index,
                           colours.data(),
                           chroma2.data(),
                           remapped ? radius.data() : nullptr,
                           rank.data(),
                           n,
                           opaque,
                           {box.lo[0], box.lo[1], box.lo[2]},
                           {box.hi[0], box.hi[1], box.hi[2]},
                           settings.min_opaque_alpha,
                           diffusion_limit,
                           find_nearest(index, WorkColor{0.0, 0.0, kNeutralA, kNeutralB}).index};
  const DitherLevelSource levels(edge_map, width, height, settings);

  // Slot c + 1 belongs to column c; slots 0 and width + 1 take the error off
  // the row's ends and are never read back. The row kernel stores every slot
  // of the next row that is read, so nothing is cleared between rows.
  std::vector<Error4> current(std::size_t{width} + 2), next(std::size_t{width} + 2);
  DiffusionNoise noise;
  for (Error4& e : current) {
    e.L = noise.next_error();
    e.a = noise.next_error();
    e.b = noise.next_error();
    e.alpha = noise.next_error();
  }

  // Each row's colours (gathered when the image numbers them) and levels,
  // read before the serial loop needs them.
  std::vector<WorkColor> row_colours(image.ids ? width : 0);
  std::vector<double> row_levels(width);
  bool eager = false;  // decided by the row before
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::size_t first = static_cast<std::size_t>(y) * width;
    for (std::uint32_t x = 0; x < width; ++x) {
      row_levels[x] = std::min(levels.at(first + x), 1.0);
      if (image.ids) row_colours[x] = image.at(first + x);
    }
    const std::uint32_t kept =
        diffuse_row(pass, DiffusionRow{image.ids ? row_colours.data() : image.pixels + first, row_levels.data(),
                                       current.data(), next.data(), output + first, width, (y & 1) == 0, eager});
    eager = kept < eager_below * width;
    std::swap(current, next);
    settings.publish_rows(y + 1);
  }
}

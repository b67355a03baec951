// Error diffusion ("Floyd-Steinberg") on the calling thread: each pixel
// depends on the error its predecessors passed on.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/remap/diffusion_noise.h"
#include "engine/remap/dither_level_source.h"
#include "engine/nearest/nearest.h"
#include "engine/remap/remap_image.h"
#include "engine/remap/remap_plain.h"
#include "engine/remap/remap_diffused.h"
#include "engine/unbounded.h"

namespace {

struct Error4 {
  double alpha, L, a, b;
};

// Adds one neighbour's share of the diffused error.
inline void add_share(Error4& slot, const Error4& error, double share) {
  slot.alpha += error.alpha * share;
  slot.L += error.L * share;
  slot.a += error.a * share;
  slot.b += error.b * share;
}

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

inline double clamp(double v, double lo, double hi) { return std::min(std::max(v, lo), hi); }

}  // namespace

void remap_diffused(tamble::device* dev, const RemapImage& image, const Palette& palette,
                    const EngineSettings& settings, const double* edge_map, bool remapped,
                    double diffusion_limit, std::uint8_t* output) {
  const std::uint32_t width = image.width, height = image.height;
  if (width == 0 || height == 0) return;
  const std::uint32_t n = palette.count();
  if (n == 0) {
    std::fill(output, output + static_cast<std::size_t>(width) * height, std::uint8_t{0});
    return;
  }
  if (!dev) dev = tamble::get_cpu_device();
  const double opaque_threshold = settings.min_opaque_alpha;
  const double chroma_weight = settings.chroma_weight, blend = settings.blend;
  nearest_index index(dev, palette, opaque_threshold, settings.metric());
  const std::int64_t transparent =
      find_nearest(index, WorkColor{0.0, 0.0, kNeutralA, kNeutralB}).index;
  const std::vector<double> radius =
      remapped ? entry_radii(palette, chroma_weight, blend) : std::vector<double>();
  const PaletteBox box = palette_box(palette);
  const DitherLevelSource levels(edge_map, width, height, settings);

  // Slot c + 1 belongs to column c; slots 0 and width + 1 take the error off
  // the row's ends and are never read back.
  std::vector<Error4> current(std::size_t{width} + 2), next(std::size_t{width} + 2);
  DiffusionNoise noise;
  for (Error4& e : current) {
    e.L = noise.next_error();
    e.a = noise.next_error();
    e.b = noise.next_error();
    e.alpha = noise.next_error();
  }

  for (std::uint32_t y = 0; y < height; ++y) {
    std::fill(next.begin(), next.end(), Error4{0, 0, 0, 0});
    const bool forward = (y & 1) == 0;
    const std::ptrdiff_t dir = forward ? 1 : -1;
    for (std::uint32_t step = 0; step < width; ++step) {
      const std::uint32_t x = forward ? step : width - 1 - step;
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      const std::size_t slot = x + 1;
      const WorkColor& px = image.at(i);
      if (px.alpha < kAlmostTransparent) {
        output[i] = static_cast<std::uint8_t>(transparent);
        continue;  // passes no error on
      }
      const Error4& e = current[slot];
      const double v = std::min(levels.at(i), 1.0);
      WorkColor c;
      c.alpha = clamp(px.alpha + v * e.alpha, 0.0, 1.0);
      c.L = clamp(clamp(px.L + v * e.L, 0.0, 1.0), box.lo[0], box.hi[0]);
      c.a = clamp(clamp(px.a + v * e.a, 0.118, 0.636), box.lo[1], box.hi[1]);
      c.b = clamp(clamp(px.b + v * e.b, 0.102, 0.884), box.lo[2], box.hi[2]);
      const bool penalised = c.alpha > opaque_threshold;

      // An index from the plain remap is the guess; one out of the palette's
      // range (not written by remap_plain) is ignored.
      const std::int64_t r = remapped ? output[i] : -1;
      std::int64_t k = r;
      double d = 0.0;
      bool searched = true;
      if (r >= 0 && r < n) {
        d = color_difference(c, palette.entries[r].color, chroma_weight, blend);
        if (radius[r] > d) {
          searched = false;
        } else {
          // The penalty would make the guess's distance inexact: search afresh.
          bool skip_guess = penalised && palette.entries[r].color.alpha < 1.0;
          NearestMatch m = skip_guess ? find_nearest(index, c) : find_nearest(index, c, r, d);
          k = m.index;
          d = m.distance;
        }
      } else {
        NearestMatch m = find_nearest(index, c);
        k = m.index;
        d = m.distance;
      }
      const WorkColor& chosen = palette.entries[k].color;
      // The diffusion limit compares colour differences, so leave the penalty out.
      if (searched && penalised && chosen.alpha < 1.0)
        d = color_difference(c, chosen, chroma_weight, blend);
      output[i] = static_cast<std::uint8_t>(k);

      const double s = d > diffusion_limit ? v * 0.75 : v;
      const Error4 out{(c.alpha - chosen.alpha) * s, (c.L - chosen.L) * s * (chosen.alpha + 3) / 4,
                       (c.a - chosen.a) * s * (chosen.alpha + 3) / 4,
                       (c.b - chosen.b) * s * (chosen.alpha + 3) / 4};
      add_share(current[slot + dir], out, 7.0 / 16);  // ahead in this row
      add_share(next[slot - dir], out, 4.0 / 16);     // next row, one column behind
      add_share(next[slot], out, 5.0 / 16);           // next row, same column
    }
    std::swap(current, next);
    settings.publish_rows(y + 1);
  }
}

// Threshold-mask dithering and the mixing plan: every pixel is decided on its
// own from a position-dependent threshold, so the pass is one tabulate.
#include "engine/dither/remap_masked.h"

#include <algorithm>

#include "engine/dither/bayer_matrix.h"
#include "engine/dither/blue_noise_table.h"
#include "engine/remap/dither_level_source.h"
#include "engine/dither/mixing_plan.h"
#include "engine/dither/neighbour_lists.h"
#include "engine/nearest/nearest.h"
#include "engine/dither/remap_memo.h"
#include "tamble/algorithms.h"

namespace {

// Nearest entries and plans already found on this thread in this call.
thread_local ColorMemo<std::uint8_t, 1024> t_nearest_memo;
thread_local ColorMemo<PixelMix, 256> t_plan_memo;

struct MaskedPass {
  const RemapImage& image;
  const Palette& palette;
  const nearest_index& index;
  const NeighbourLists& neighbours;
  DitherLevelSource levels;  // edge map, floor, strength and a dither map of the image's size
  std::uint8_t transparent;
  DitherKind kind;
  double chroma_weight;
  double blend;
  const MixingPlan* plan;  // mixing plan only
  std::uint64_t memo_key;   // this call's key in the per-thread memos

  std::uint32_t nearest(const WorkColor& probe) const {
    if (const std::uint8_t* known = t_nearest_memo.find(memo_key, probe)) return *known;
    auto found = static_cast<std::uint8_t>(find_nearest(index, probe).index);
    return t_nearest_memo.remember(memo_key, probe, found);
  }

  // The shared dither level, uncapped.
  double level(std::size_t i) const { return levels.at(i); }

  // Pushes the pixel along the line from its nearest entry to the runner-up by
  // the threshold times the level, then searches again.
  std::uint8_t threshold_pixel(std::size_t i, std::uint32_t x, std::uint32_t y) const {
    const WorkColor& p = image.at(i);
    std::uint32_t q = nearest(p);
    std::uint32_t k = neighbours.length;
    if (k == 0) return static_cast<std::uint8_t>(q);
    const std::uint32_t* list = neighbours.of(q);
    std::uint32_t u = list[0];
    double to_u = color_difference(p, palette.entries[u].color, chroma_weight, blend);
    for (std::uint32_t j = 1; j < k; ++j) {
      double d = color_difference(p, palette.entries[list[j]].color, chroma_weight, blend);
      if (d < to_u) {
        to_u = d;
        u = list[j];
      }
    }
    double mask = kind == kDitherBayer ? bayer_mask_value(x, y) : blue_noise_mask_value(x, y);
    double t = mask * level(i);
    const WorkColor& qc = palette.entries[q].color;
    const WorkColor& uc = palette.entries[u].color;
    WorkColor pushed{std::clamp(p.alpha + t * (uc.alpha - qc.alpha), 0.0, 1.0),
                     std::clamp(p.L + t * (uc.L - qc.L), 0.0, 1.0),
                     std::clamp(p.a + t * (uc.a - qc.a), 0.0, 1.0),
                     std::clamp(p.b + t * (uc.b - qc.b), 0.0, 1.0)};
    // An unmoved probe finds what the first search found.
    if (pushed.alpha == p.alpha && pushed.L == p.L && pushed.a == p.a && pushed.b == p.b)
      return static_cast<std::uint8_t>(q);
    return static_cast<std::uint8_t>(nearest(pushed));
  }

  std::uint8_t planned_pixel(std::size_t i, std::uint32_t x, std::uint32_t y) const {
    const WorkColor& p = image.at(i);
    std::uint32_t q = nearest(p);
    if (neighbours.length == 0) return static_cast<std::uint8_t>(q);
    double v = level(i);
    // At level 0 the nearest entry takes the whole share whatever the plan.
    if (v <= 0.0) return static_cast<std::uint8_t>(q);
    const PixelMix* mix = t_plan_memo.find(memo_key, p);
    if (!mix)
      mix = &t_plan_memo.remember(memo_key, p,
                                  plan_pixel_mix(*plan, palette, p, q, neighbours.of(q), neighbours.length));
    double h = bayer_mask_value(x, y) + 0.5;
    return static_cast<std::uint8_t>(pick_mix_member(*plan, *mix, v, h));
  }

  std::uint8_t operator()(std::size_t i) const {
    if (image.at(i).alpha < kAlmostTransparent) return transparent;
    auto x = static_cast<std::uint32_t>(i % image.width);
    auto y = static_cast<std::uint32_t>(i / image.width);
    switch (kind) {
      case kDitherBayer:
      case kDitherBlueNoise: return threshold_pixel(i, x, y);
      case kDitherMixingPlan: return planned_pixel(i, x, y);
      default: return static_cast<std::uint8_t>(find_nearest(index, image.at(i)).index);
    }
  }
};

}  // namespace

void remap_masked(tamble::device* dev, const RemapImage& image, const Palette& palette,
                  const EngineSettings& settings, const double* edge_map, std::uint8_t* output) {
  const DitherKind dither_kind = settings.dither;
  std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  if (count == 0) return;
  if (palette.count() == 0) {
    // Nothing to map to; leave defined bytes rather than garbage.
    std::fill(output, output + count, std::uint8_t{0});
    return;
  }
  nearest_index index(dev, palette, settings.min_opaque_alpha, settings.metric());
  const WorkColor clear{0.0, 0.0, kNeutralA, kNeutralB};
  auto transparent = static_cast<std::uint8_t>(find_nearest(index, clear).index);
  NeighbourLists neighbours = build_neighbour_lists(palette, settings.metric());
  MixingPlan plan;
  if (dither_kind == kDitherMixingPlan)
    plan = build_mixing_plan(palette, neighbours.length, settings.plan_colors,
                             settings.plan_restraint, settings.metric());

  MaskedPass pass{image,
                  palette,
                  index,
                  neighbours,
                  DitherLevelSource(edge_map, image.width, image.height, settings),
                  transparent,
                  dither_kind,
                  settings.chroma_weight,
                  settings.blend,
                  &plan,
                  next_remap_memo_key()};
  tamble::tabulate(dev, output, count, pass);
}

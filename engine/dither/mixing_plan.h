#pragma once
// The mixing plan: per pixel, the nearest entry and up to three of its
// neighbours with a share of eighths each, chosen so that their average in
// linear light comes closest to the pixel; a Bayer threshold then picks one.
#include <cstdint>
#include <vector>

#include "engine/colour/work_color.h"
#include "engine/dither/plan_screening.h"
#include "engine/palette/palette.h"

// Premultiplied linear-light colour of a palette entry; not clamped, so mixes
// of out-of-gamut entries convert back exactly.
struct LinearColor {
  double alpha;
  double r;
  double g;
  double b;
};

inline constexpr std::uint32_t kMaxPlanMembers = 4;
inline constexpr int kDutyEighths = 8;

LinearColor work_to_linear(const WorkColor& c);
// Linear mix back to the working space: the colour space's own conversion.
WorkColor linear_mix_to_work(const LinearColor& mix);

struct MixingPlan {
  std::uint32_t size = 0;   // members per plan: min(neighbour list length + 1, plan colours)
  double restraint = 0.0;   // cost per unit of far-reaching share; never negative
  double chroma_weight = 1.0;
  double blend = 1.0;
  screen_candidates_fn screen = screen_candidates_scalar;  // every level gives the same values
  // scaled[entry * 9 + w] = (w / 8) x linear colour of the entry, for w = 0..8.
  std::vector<LinearColor> scaled;
  // The same for alpha and the mix's X, Y, Z, for the cheap screening pass.
  std::vector<LinearColor> scaled_xyz;
  std::vector<double> lightness;  // working-space L of every entry
};

// plan_colors outside 2..4 counts as 3; a negative restraint as 0.
MixingPlan build_mixing_plan(const Palette& palette, std::uint32_t neighbour_count,
                             std::uint32_t plan_colors, double restraint, const ColorMetric& metric);

struct PixelMix {
  std::uint32_t count = 0;
  std::uint32_t member[kMaxPlanMembers] = {};  // member 0 is the nearest entry
  std::uint32_t duty[kMaxPlanMembers] = {};    // eighths, summing to 8
};

// Chooses members from the nearest entry's neighbour list and the duty cycle
// whose linear mix, plus restraint, costs least.
PixelMix plan_pixel_mix(const MixingPlan& plan, const Palette& palette, const WorkColor& pixel,
                        std::uint32_t nearest, const std::uint32_t* neighbours,
                        std::uint32_t neighbour_count);

// Walks the members from dark to light, the nearest entry taking what the
// level leaves; returns the member whose share covers the threshold h (0..1).
std::uint32_t pick_mix_member(const MixingPlan& plan, const PixelMix& mix, double level,
                              double threshold);

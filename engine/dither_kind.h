#pragma once
// The one numbering of the dithering choices: the value of the `dither`
// option, the settings key and the parameter block, and what the pipeline and
// the remaps switch on.
#include <cstdint>

enum DitherKind : std::int32_t {
  kDitherNone = 0,
  kDitherFloydSteinberg = 1,
  kDitherBayer = 2,
  kDitherBlueNoise = 3,
  kDitherMixingPlan = 4,
};

inline constexpr std::int32_t kDitherKindCount = 5;

inline constexpr bool is_dither_kind(std::int32_t value) { return value >= 0 && value < kDitherKindCount; }

// The caller has checked the value with is_dither_kind.
inline constexpr DitherKind dither_kind(std::int32_t value) { return static_cast<DitherKind>(value); }

// Error diffusion spreads at most the whole error; the masks and the plan can
// be pushed to twice their natural amplitude.
inline constexpr double dither_strength_limit(std::int32_t dither) {
  return dither == kDitherNone || dither == kDitherFloydSteinberg ? 1.0 : 2.0;
}

#pragma once
// Threshold-mask dithering (Bayer 8x8, blue noise 64x64) and the mixing plan.
#include <cstdint>

#include "engine/dither_kind.h"
#include "engine/palette/palette.h"
#include "engine/remap/remap_image.h"
#include "tamble/device.h"

// Handles kDitherBayer, kDitherBlueNoise and kDitherMixingPlan; any other kind
// maps every pixel to its nearest entry. False, with the output unwritten, when
// the search table's memory was refused.
bool remap_masked(tamble::device* dev, const RemapImage& image, const Palette& palette,
                  double opaque_threshold, const double* edge_map, DitherKind dither_kind,
                  std::uint8_t* output);

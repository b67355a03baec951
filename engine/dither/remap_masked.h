#pragma once
// Threshold-mask dithering (Bayer 8x8, blue noise 64x64) and the mixing plan.
#include <cstdint>

#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "engine/remap/remap_image.h"
#include "tamble/device.h"

// Handles the settings' kDitherBayer, kDitherBlueNoise and kDitherMixingPlan;
// any other kind maps every pixel to its nearest entry. A refused search table
// throws std::bad_alloc with the output unwritten.
void remap_masked(tamble::device* dev, const RemapImage& image, const Palette& palette,
                  const EngineSettings& settings, const double* edge_map, std::uint8_t* output);

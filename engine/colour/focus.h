#pragma once
// Focus weighting: a painted map decides where the palette is spent.
#include <cstddef>
#include <cstdint>

#include "tamble/device.h"

// Rewrites importance in place from a focus map (one byte per pixel); nothing
// happens without a map or with focus_weight 1. The caller checks that the
// map's size matches the image.
void apply_focus(tamble::device* dev, double* importance, std::size_t pixel_count,
                 const std::uint8_t* focus_map, double focus_weight);

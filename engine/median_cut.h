#pragma once
// First palette from the histogram: split the most deserving box until there
// are as many boxes as free palette entries, then append the pins.
#include <cstdint>

#include "engine/histogram.h"
#include "engine/palette.h"
#include "tamble/device.h"

// Reads sum_pow, max_error_pow, mediancut_rounds and the pins from g_engine.
Palette median_cut(tamble::device* dev, Histogram& hist, double opaque_threshold,
                   std::uint32_t colours, double error_target, double error_scale);

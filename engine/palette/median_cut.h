#pragma once
// First palette from the histogram: split the most deserving box until there
// are as many boxes as free palette entries, then append the pins.
#include <cstdint>

#include "engine/colour/histogram.h"
#include "engine/palette/palette.h"
#include "tamble/device.h"

// Reads sum_pow, max_error_pow, mediancut_rounds, chroma_weight and the pins
// from g_engine. Reorders the items within their boxes and rewrites their
// cut_weight, split_weight, sort_key and weight_root.
Palette median_cut(tamble::device* dev, Histogram& hist, double opaque_threshold,
                   std::uint32_t colours, double error_target, double error_scale);

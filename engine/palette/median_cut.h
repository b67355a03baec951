#pragma once
// First palette from the histogram: split the most deserving box until there
// are as many boxes as free palette entries, then append the pins.
#include <cstdint>

#include "engine/colour/histogram.h"
#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "tamble/device.h"

// Follows the settings' sum_pow, max_error_pow, mediancut_rounds, metric,
// minimum opaque alpha and pins. Reorders the items within their boxes and
// rewrites their cut_weight, split_weight, sort_key and weight_root.
Palette median_cut(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
                   std::uint32_t colours, double error_target, double error_scale);

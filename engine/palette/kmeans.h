#pragma once
// K-means refinement of a palette over the histogram.
#include <cstdint>

#include "engine/colour/histogram.h"
#include "engine/palette/palette.h"
#include "tamble/device.h"

// One k-means iteration; returns the weighted mean colour difference.
double kmeans_iteration(tamble::device* dev, Histogram& hist, Palette& palette,
                        double opaque_threshold, bool reweight);

// K-means until the budget for `speed` or the stop rule; returns the last error.
double kmeans_refine(tamble::device* dev, Histogram& hist, Palette& palette,
                     double opaque_threshold, std::uint32_t speed, double mse_limit);

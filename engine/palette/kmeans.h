#pragma once
// K-means refinement of a palette over the histogram.
#include <cstdint>

#include "engine/colour/histogram.h"
#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "tamble/device.h"

// One k-means iteration; returns the weighted mean colour difference.
double kmeans_iteration(tamble::device* dev, Histogram& hist, Palette& palette,
                        const EngineSettings& settings, bool reweight);

// K-means until the budget for the settings' speed or the stop rule; an error
// well above the MSE limit earns an extra iteration, or stops the loop when
// far above it; never more than `most_iterations`. Returns the last error.
double kmeans_refine(tamble::device* dev, Histogram& hist, Palette& palette,
                     const EngineSettings& settings, int most_iterations = 1 << 30);

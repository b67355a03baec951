#pragma once
// Feedback loop around median cut, k-means refinement, the IE6 alpha
// workaround, palette ordering and the output palette bytes.
#include <cstdint>

#include "engine/histogram.h"
#include "engine/palette.h"
#include "engine/quantized_image.h"
#include "tamble/device.h"

// Runs median cut one or more times; returns the best palette and sets
// `error` (left unchanged when no trial is measured).
Palette palette_search(tamble::device* dev, Histogram& hist, std::uint32_t colours,
                       double opaque_threshold, double error_target, int trials,
                       std::uint32_t speed, double& error);

// One k-means iteration; returns the weighted mean colour difference.
double kmeans_iteration(tamble::device* dev, Histogram& hist, Palette& palette,
                        double opaque_threshold, bool reweight);

// K-means until the budget for `speed` or the stop rule; returns the last error.
double kmeans_refine(tamble::device* dev, Histogram& hist, Palette& palette,
                     double opaque_threshold, std::uint32_t speed, double mse_limit);

// Makes nearly opaque pixels opaque and scales the rest, in place.
void ie6_workaround(ImageDesc& image, double opaque_threshold);

// Fixed entries first, then transparent before opaque, each by popularity;
// sets the output's palette size and transparent count.
void order_palette(QuantizedImage& out, Palette& palette, bool last_index_transparent);

// Writes the palette bytes and snaps every entry to what is written.
void palette_to_output(QuantizedImage& out, Palette& palette);

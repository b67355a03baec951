#pragma once
// Feedback loop around median cut: the best of one or more trials.
#include <cstdint>

#include "engine/colour/histogram.h"
#include "engine/palette/palette.h"
#include "tamble/device.h"

// Runs median cut one or more times; returns the best palette and sets
// `error` (left unchanged when no trial is measured).
Palette palette_search(tamble::device* dev, Histogram& hist, std::uint32_t colours,
                       double opaque_threshold, double error_target, int trials,
                       std::uint32_t speed, double& error);

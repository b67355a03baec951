#pragma once
// Feedback loop around median cut: the best of one or more trials.
#include <cstdint>

#include "engine/colour/histogram.h"
#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "tamble/device.h"

// Runs median cut one or more times towards the settings' colours and error
// target, as many trials as their speed allows; returns the best palette and
// sets `error` (left unchanged when no trial is measured).
Palette palette_search(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
                       double& error);

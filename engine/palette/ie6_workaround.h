#pragma once
// Alpha workaround for viewers that show only fully opaque or transparent pixels.
#include "engine/engine_settings.h"
#include "engine/quantized_image.h"

// Makes pixels at the minimum opaque alpha or above opaque and scales the
// rest, in place.
void ie6_workaround(ImageDesc& image, const EngineSettings& settings);

// Whether a run's settings make the pipeline call ie6_workaround, the only
// step that writes into the image's pixels.
inline bool ie6_workaround_applies(const EngineSettings& settings) {
  return settings.min_opaque_alpha <= 254.0 / 255.0;
}

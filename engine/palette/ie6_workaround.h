#pragma once
// Alpha workaround for viewers that show only fully opaque or transparent pixels.
#include "engine/engine_settings.h"
#include "engine/quantized_image.h"

// Makes pixels at the minimum opaque alpha or above opaque and scales the
// rest, in place.
void ie6_workaround(ImageDesc& image, const EngineSettings& settings);

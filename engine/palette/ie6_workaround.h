#pragma once
// Alpha workaround for viewers that show only fully opaque or transparent pixels.
#include "engine/quantized_image.h"

// Makes nearly opaque pixels opaque and scales the rest, in place.
void ie6_workaround(ImageDesc& image, double opaque_threshold);

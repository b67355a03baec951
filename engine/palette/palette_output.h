#pragma once
// Palette ordering and the output palette bytes.
#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "engine/quantized_image.h"

// Fixed entries first, then transparent before opaque, each by popularity;
// sets the output's palette size and transparent count.
void order_palette(QuantizedImage& out, Palette& palette, const EngineSettings& settings);

// Writes the palette bytes and snaps every entry to what is written.
void palette_to_output(QuantizedImage& out, Palette& palette);

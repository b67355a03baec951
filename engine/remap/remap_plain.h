#pragma once
// Undithered remap.
#include <cstdint>

#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "engine/remap/remap_image.h"
#include "tamble/device.h"

// Writes every pixel's index and moves the palette one k-means step; returns
// the mean colour difference of the non-transparent pixels. A refused search
// table throws std::bad_alloc with the output unwritten and the palette unmoved.
double remap_plain(tamble::device* dev, const RemapImage& image, Palette& palette,
                   const EngineSettings& settings, std::uint8_t* output);

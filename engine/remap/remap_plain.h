#pragma once
// Undithered remap.
#include <cstdint>
#include <optional>

#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "engine/remap/remap_image.h"
#include "tamble/device.h"

// Writes every pixel's index and moves the palette one k-means step; returns
// the mean colour difference of the non-transparent pixels, or nothing (with
// the output unwritten and the palette unmoved) when the search table's
// memory was refused.
std::optional<double> remap_plain(tamble::device* dev, const RemapImage& image, Palette& palette,
                                  const EngineSettings& settings, std::uint8_t* output);

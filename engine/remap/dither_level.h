#pragma once
// The per-pixel dithering amount.
#include <cstddef>
#include <cstdint>

#include "engine/engine_settings.h"

// Dithering amount of pixel i (uncapped) from the floor, strength and dither
// map of `settings`; edge_map may be null.
double dither_level(const double* edge_map, std::size_t i, std::uint32_t width,
                    std::uint32_t height, const EngineSettings& settings);

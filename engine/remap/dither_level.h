#pragma once
// The per-pixel dithering amount.
#include <cstddef>
#include <cstdint>

// Dithering amount of pixel i (uncapped); edge_map may be null. Reads the
// floor, strength and dither map from g_engine.
double dither_level(const double* edge_map, std::size_t i, std::uint32_t width,
                    std::uint32_t height);

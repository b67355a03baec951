#pragma once
// Dither-map damping by how lonely each pixel's index is.
#include <cstdint>

#include "tamble/device.h"

// Scales the edge map by how lonely each pixel's index is in its row run.
void damp_dither_map(tamble::device* dev, const std::uint8_t* indices, std::uint32_t width,
                     std::uint32_t height, double* edge_map);

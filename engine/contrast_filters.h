#pragma once
// The small filters the contrast maps are smoothed with. Images are row-major
// width x height; neighbours past an edge are the edge pixel itself.
#include <cstdint>

#include "tamble/device.h"

// out = largest (smallest) of each pixel and its four cross neighbours.
// in and out must not overlap.
void cross_maximum(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                   std::uint32_t height);
void cross_minimum(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                   std::uint32_t height);

// Box blur of radius 3 as two row passes that each write their output
// transposed. Needs width and height of at least 7; scratch holds
// width x height values; out may be in.
void box_blur(tamble::device* dev, const double* in, double* scratch, double* out,
              std::uint32_t width, std::uint32_t height);

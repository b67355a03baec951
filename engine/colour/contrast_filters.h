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

// Several cross filters in a row (is_max[s] picks maximum or minimum for
// step s, at most 4 steps) in one pass over the image: each block of rows
// streams through all steps with the few halo rows it needs, giving the same
// values as separate passes. When cap is set, each finished value v also
// sets cap[i] = min(v, cap[i]). in, out and cap must not overlap.
void cross_filter_chain(tamble::device* dev, const double* in, double* out, std::uint32_t width,
                        std::uint32_t height, const bool* is_max, unsigned steps,
                        double* cap = nullptr);

// Box blur of radius 3 as two row passes that each write their output
// transposed. Needs width and height of at least 7; scratch holds
// width x height values; out may be in.
void box_blur(tamble::device* dev, const double* in, double* scratch, double* out,
              std::uint32_t width, std::uint32_t height);

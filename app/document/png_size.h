#pragma once
// File sizes shown beside a result: what the source and the result would take as PNGs.
#include <cstdint>

#include "app/document/quant_result.h"

// Bytes of the image as a 32-bit RGBA PNG declaring `gamma` (1/2.2 when not
// positive); 0 on any failure.
std::uint64_t rgba_png_size(std::uint32_t width, std::uint32_t height, double gamma,
                            const std::uint8_t* rgba);

// Bytes of the result as an indexed PNG; 0 when it has no usable indices or on any failure.
std::uint64_t result_png_size(const QuantResult& result);

#pragma once
// File sizes shown beside a result: what the source and the result would take as PNGs.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/document/quant_result.h"

// Bytes of the image as a 32-bit RGBA PNG declaring `gamma` (1/2.2 when not
// positive); 0 on any failure.
std::uint64_t image_png_size(std::uint32_t width, std::uint32_t height, double gamma,
                             const std::uint8_t* rgba);

// Row starts of a packed image of `height` rows of `row_bytes` each.
std::vector<const std::uint8_t*> row_pointers(const std::uint8_t* first, std::uint32_t height,
                                              std::size_t row_bytes);

// Bytes of the result as an indexed PNG; 0 when it has no usable indices or on any failure.
std::uint64_t result_png_size(const QuantResult& result);

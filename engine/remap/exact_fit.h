#pragma once
// Images whose every pixel is already a colour of the written palette.
#include <cstddef>
#include <cstdint>

#include "engine/quantized_image.h"

// When each pixel's RGBA bytes equal the written bytes of a palette entry
// (every fully transparent pixel counting as transparent black), writes each
// pixel's entry (the lowest index among equal entries) to `indices` and
// returns true. Otherwise returns false and leaves `indices` as it was.
bool map_exact_fit(const std::uint8_t* rgba, std::size_t pixel_count, const QuantizedImage& out,
                   std::uint8_t* indices);
// The same for an image given as each pixel's colour number (`ids`) and each
// colour's RGBA word (`words`, pixel_word order): each colour is looked up once.
bool map_exact_fit(const std::uint32_t* ids, std::size_t pixel_count, const std::uint32_t* words,
                   std::size_t colour_count, const QuantizedImage& out, std::uint8_t* indices);

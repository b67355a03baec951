#pragma once
// The quantized image in the forms the clipboard offers: RGBA pixels, a bitmap
// file (32-bit, version 5 header, rows bottom-up) and the indexed PNG's bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "app/document/quant_result.h"

// Size of the bitmap file's two headers: 14 bytes of file header, 124 of image header.
inline constexpr std::uint32_t kBitmapV5HeadersSize = 14 + 124;

// Each pixel takes the palette entry of its index; an index at or beyond the
// palette size takes entry 0. Empty with `message` set when the result cannot be expanded.
std::vector<std::uint8_t> expand_result_rgba(const QuantResult& result, std::string& message);

// A bitmap file of `rgba` (width x height x 4, top row first): bit fields with
// the masks of B, G, R, A bytes, the bottom row stored first. Empty when its
// size does not fit the header.
std::vector<std::uint8_t> bitmap_v5_file(std::uint32_t width, std::uint32_t height,
                                         const std::uint8_t* rgba);

// The bytes saving would write for the result; empty on any failure.
std::vector<std::uint8_t> result_png_bytes(const QuantResult& result);

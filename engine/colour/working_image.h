#pragma once
// The whole RGBA image in the working colour space.
#include <cstddef>
#include <cstdint>

#include "engine/colour/work_color.h"
#include "tamble/array.h"
#include "tamble/device.h"

// out[i] = to_work_color(pixel i, gamma) for every pixel, bit for bit, in parallel
// (serially from 2^31 pixels). out holds pixel_count entries.
void convert_working_image(tamble::device* dev, const std::uint8_t* pixels,
                           std::size_t pixel_count, double gamma, WorkColor* out);

// The image as its distinct colours and each pixel's number among them.
struct NumberedColours {
  tamble::array<WorkColor> colors;     // bit for bit what convert_working_image gives
  tamble::array<std::uint32_t> words;  // each colour's RGBA bytes as a pixel_word
  tamble::array<std::uint32_t> ids;    // each pixel's colour number
};

// False, with every array empty, when the image has more than max_colors
// distinct colours, or (with max_colors below 7/8 of the pixels) as soon as
// its colours come nearly one per pixel. Refused memory throws std::bad_alloc.
bool number_colours(tamble::device* dev, const std::uint8_t* pixels, std::size_t pixel_count,
                    double gamma, std::size_t max_colors, NumberedColours& out);

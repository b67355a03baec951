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

// The image as its distinct working colours (`colors`) and each pixel's number
// among them (`ids`), every colour bit for bit what convert_working_image
// gives. False, with both arrays empty, when the image has more than
// max_colors distinct colours. Refused memory throws std::bad_alloc.
bool convert_compact_working_image(tamble::device* dev, const std::uint8_t* pixels,
                                   std::size_t pixel_count, double gamma, std::size_t max_colors,
                                   tamble::array<WorkColor>& colors,
                                   tamble::array<std::uint32_t>& ids);

#pragma once
// The whole RGBA image in the working colour space.
#include <cstddef>
#include <cstdint>

#include "engine/colour/work_color.h"
#include "tamble/device.h"

// out[i] = to_work_color(pixel i, gamma) for every pixel, bit for bit, in parallel
// (serially from 2^31 pixels). out holds pixel_count entries.
void convert_working_image(tamble::device* dev, const std::uint8_t* pixels,
                           std::size_t pixel_count, double gamma, WorkColor* out);

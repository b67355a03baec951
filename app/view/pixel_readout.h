#pragma once
// The status line's description of the pixel under the cursor.
#include <cstdint>
#include <string>
#include <vector>

#include "app/document/quant_result.h"

struct PixelReadout {
  std::string text;        // empty when the cursor is off the image
  int palette_index = -1;  // the result's entry there, -1 when unknown
};

// (dx, dy): the cursor relative to the image's top-left corner in screen pixels;
// `scale` the drawn scale.
PixelReadout pixel_readout(const PixelBytes& source, std::uint32_t width,
                           std::uint32_t height, const QuantResult& result, float dx, float dy,
                           float scale);

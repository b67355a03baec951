#pragma once
// What every platform's BMP decoding does before a general decoder sees the
// bytes: the headers checked, the declared size judged, run-length bitmaps
// decoded by our own decoder, bitmaps that end before their last row refused.
#include <cstddef>
#include <cstdint>

#include "io/decoded_image.h"
#include "io/io_status.h"

// kOk with `decoded` false: a plain bitmap for the general decoder. kOk with
// `decoded` true: `image` holds the whole run-length bitmap. Anything else: refused.
IoStatus screen_bmp(const std::uint8_t* bytes, std::size_t size, DecodedImage& image, bool& decoded);

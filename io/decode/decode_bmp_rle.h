#pragma once
// Run-length encoded BMPs (RLE8, RLE4) from a header already checked.
#include "io/decode/bmp_header.h"
#include "io/decoded_image.h"
#include "io/io_status.h"

IoStatus decode_bmp_rle(const std::uint8_t* bytes, std::size_t size, const BmpHeader& header,
                        DecodedImage& image);

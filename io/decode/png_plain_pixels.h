#pragma once
// The quick road through the most common PNGs: 8-bit grey, grey and alpha, RGB
// or RGBA, not interlaced, no transparent colour key. libpng reads the header;
// this reads the image data itself, in one inflate call, and undoes the row
// filters. It gives up on anything unusual, and the caller then reads the
// image with libpng as if the road did not exist, messages and all.
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/decoded_image.h"
#include "io/io_status.h"

// Fills `rgba` (width x height x 4 bytes) with the pixels as libpng's
// expansion to RGBA gives them. `first_idat` is the byte offset of the first
// image data chunk; `channels` the stored samples per pixel, 1 to 4. False,
// with `rgba` partly written, when the image data is anything but one intact,
// exactly sized zlib stream in intact consecutive chunks. `rgba_room` is
// the bytes writable at `rgba`: with `height` bytes past the pixels, RGBA
// rows are inflated and unfiltered there, without a scratch block.
bool read_plain_png_pixels(const std::uint8_t* file, std::size_t size, std::size_t first_idat,
                           std::uint32_t width, std::uint32_t height, int channels,
                           std::uint8_t* rgba, std::size_t rgba_room);

// kLibpngOnly lets tests compare the quick road with libpng's.
enum class PngRoad { kQuickWhenPlain, kLibpngOnly };
IoStatus decode_png_memory_by(PngRoad road, const std::uint8_t* bytes, std::size_t size,
                              DecodedImage& image, std::string* codec_detail = nullptr);

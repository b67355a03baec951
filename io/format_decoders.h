#pragma once
// One decoder per file format, each reading a whole file held in memory into
// 8-bit RGBA. On failure `image` may hold partial data; callers discard it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/decode_failure.h"
#include "io/decoded_image.h"

struct PngDecodeOutcome {
  DecodeFailure failure = DecodeFailure::kNone;
  std::string detail;  // the codec's own words, for diagnostics
};

PngDecodeOutcome decode_png_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);
DecodeFailure decode_jpeg_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);
DecodeFailure decode_webp_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);
DecodeFailure decode_tiff_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);
// BMP and GIF (first frame).
DecodeFailure decode_bmp_gif_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);
// False when the build has no HEIF support or the bytes are not HEIF.
bool is_heif_content(const std::uint8_t* bytes, std::size_t size);
DecodeFailure decode_heif_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);

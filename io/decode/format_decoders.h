#pragma once
// One decoder per file format, each reading a whole file held in memory into
// 8-bit RGBA. On failure `image` may hold partial data; callers discard it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/decoded_image.h"
#include "io/pixel_block.h"

// codec_detail, when given, receives libpng's own words on a failure, for diagnostics.
IoStatus decode_png_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image,
                           std::string* codec_detail = nullptr);
IoStatus decode_jpeg_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);
IoStatus decode_webp_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);
IoStatus decode_tiff_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);
// BMP and GIF (first frame).
IoStatus decode_bmp_gif_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);
// False when the build has no HEIF support or the bytes are not HEIF.
bool is_heif_content(const std::uint8_t* bytes, std::size_t size);
// The primary image's size from the file's boxes, without decoding it.
bool probe_heif_file(const std::string& path, std::uint32_t& width, std::uint32_t& height);
IoStatus decode_heif_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image);

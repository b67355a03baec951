#pragma once
// The size an image file declares, read from its header alone, so a run can be
// judged before anything is decoded.
#include <cstdint>
#include <string>

// True with the declared size for PNG, GIF, BMP, JPEG, WebP, TIFF and HEIF headers; false
// when the format is another or the header cannot be read (decoding decides then).
bool probe_image_size(const std::string& path, std::uint32_t& width, std::uint32_t& height);

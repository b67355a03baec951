#pragma once
// Screenshots as 24-bit Windows bitmaps.
#include <cstdint>
#include <string>

// `rgba_bottom_up` holds width x height RGBA pixels, the bottom row first (as
// glReadPixels returns them). Writes B, G, R rows bottom-up, each padded to 4
// bytes; false, and no file left behind, on any failure.
bool write_bitmap_24(const std::string& path, int width, int height,
                     const std::uint8_t* rgba_bottom_up);
